#pragma once
// The file a download is written into until it is whole ("<name>.quorvix-part" beside its final
// name), and what lets a later try continue it: the answer's validator, kept beside it in
// "<name>.quorvix-validator" while the partial is worth keeping. A partial without a validator
// is never continued.

#include <QByteArray>
#include <QString>

#include <optional>

// "Content-Range: bytes FIRST-LAST/TOTAL" (TOTAL may be "*", then -1).
struct ContentRange {
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1;
};
// The range of a Content-Range value; nullopt unless it is a satisfied byte range.
std::optional<ContentRange> ParseContentRange(const QByteArray& value);

// The validator a later request may send as If-Range, from an answer's header block: its strong
// ETag, else its Last-Modified; empty when it has neither or says "Accept-Ranges: none".
QByteArray ResumeValidator(const QByteArray& headerBlock);

// What the validator file keeps: the answer's validator and the address it came from (a partial
// is continued only from the same address).
struct KeptValidator {
    QByteArray validator;
    QByteArray address;  // as the request went out (percent-encoded)
};
// The validator file's bytes, and what they keep (nullopt when the file is not one, or the
// validator could not go into a header line unchanged).
QByteArray ValidatorFileContent(const KeptValidator& kept);
std::optional<KeptValidator> ParseValidatorFile(const QByteArray& content);

// The value of the first header of that name in a raw header block (name compared ignoring
// letter case, value trimmed); nullopt when the block has none.
std::optional<QByteArray> HeaderValue(const QByteArray& headerBlock, const char* name);

class PartialFile {
public:
    // The partial and validator files of a download saved at savePath.
    explicit PartialFile(const QString& savePath);

    const QString& path() const { return path_; }
    const QString& validatorPath() const { return validatorPath_; }

    // What a request for the address may continue: the length of the partial and its
    // validator. A partial without a (readable) validator, one kept for another address, and a
    // validator without a partial are removed.
    struct Resume {
        qint64 offset = 0;
        QByteArray validator;
    };
    std::optional<Resume> Prepare(const QByteArray& address) const;
    // Keeps the answer's validator (and its address) beside the partial, written at once so that
    // it survives a kill; removes it when the validator is empty.
    void KeepValidator(const KeptValidator& kept) const;
    bool HasValidator() const;
    // Removes the partial and its validator.
    void Discard() const;

private:
    QString path_;
    QString validatorPath_;
};
