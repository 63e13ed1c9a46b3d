#pragma once
// The picture listers: every picture of one album into the download batch, through AddPicture.
// Each runs on the download job thread and returns when the album is listed or when jobState
// asks it to stop (JOB_STOP_LISTING or JOB_STOP_REQUESTED).

class Harvest;

// Album-service album (list type 0): offers a verification for albums that are not public.
void ListXiangcePictures(Harvest& harvest, int albumIndex);
// Forum album (list type 1).
void ListTiebaPictures(Harvest& harvest, int albumIndex);
// Forum post (list type 2).
void ListTiebaPostPictures(Harvest& harvest, int albumIndex);
