#pragma once
// Unique file names within an album: a name already in the batch (ignoring letter case) is
// numbered "%s(%u)" from its numbering base, with the smallest free number.
//
// batch.foldedNames holds every picture's file name case-folded. Beside them it holds numbering
// markers "base/extension/k" (a "/" never occurs in a file name): each says that the numbered
// names 1 to k of that base and extension are all taken. Names are only added while an album is
// listed, so a marked run stays taken and the search for a free number starts after it; an album
// whose n pictures share one name is named in O(n log n), not O(n²).

#include <QString>

struct DownloadBatch;

struct NameChoice {
    QString fileName;  // name + extension, free in the batch
    QString marker;    // numbering marker to record when the name is taken; empty if unnumbered
};

// The name + extension, or, when the batch holds it already, the first free numbered name made
// from numberingBase (cut so that it fits a file-name component with its number and extension).
NameChoice ChooseUniqueName(DownloadBatch& batch, const QString& name, const QString& numberingBase,
                            const QString& extension);
// Records the chosen name as taken (the picture that carries it is appended by the caller).
void TakeName(DownloadBatch& batch, const NameChoice& choice);
// Changes the name of picture i, keeping the record of taken names in step.
void RenameBatchEntry(DownloadBatch& batch, int i, const QString& fileName);
