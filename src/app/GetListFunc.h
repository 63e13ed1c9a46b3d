#pragma once

class Harvest;

// The album-list job: classifies the address, runs its lister and reports the result. Runs on
// its own thread, started by Harvest::GetAlbumsCommand.
void GetListFunc(Harvest& harvest);
