#pragma once
#include <QString>

// Product name and version shown by the program.
QString ProductTitle();
QString ProductVersionText();  // "版本号：14.07.08.01"
