#pragma once
#include <QString>

// Product name and version shown by the program.
QString ProductTitle();
QString ProductVersionText();  // "版本号：14.07.08.01"
// The version as programs print it for --version ("14.7.8.1").
QString ProductVersion();
