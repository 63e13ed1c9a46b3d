#pragma once

class Harvest;

// The download job: lists the pictures of every chosen album and downloads them (or writes their
// download lists), then marks and repairs each album. Runs on its own thread, started by
// Harvest::DownloadCommand.
void DownPicFunc(Harvest& harvest);
