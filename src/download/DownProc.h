#pragma once
// The download workers of one album: the pictures of the harvest's download batch, fetched as
// concurrent transfers on the network thread, at most jobParams.threadCount at a time, started in
// batch order.

class Harvest;

// Downloads the batch and returns when every picture has finished, or, after a stop request,
// once every transfer in flight has been aborted and has ended. Shows the progress text and
// reports the end to the view (not for an empty batch or a thread count of 0).
void StartDownloadWorkers(Harvest& harvest);
