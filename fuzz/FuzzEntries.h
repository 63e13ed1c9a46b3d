#pragma once
// The fuzz targets: each entry runs one part of the core on arbitrary bytes and checks what must
// hold for every input. libFuzzer drives them (FuzzMain.cpp, one program per entry); the test
// suite feeds each entry its seed corpus (fuzz/corpus/<name>/) and the inputs that once broke it
// (fuzz/regressions/<name>/).

#include <cstddef>
#include <cstdint>
#include <span>

using FuzzFunction = void (*)(const uint8_t* data, size_t size);

struct FuzzEntry {
    const char* name;  // fuzz_<name> is its program
    FuzzFunction run;
};

std::span<const FuzzEntry> FuzzEntries();
// The entry of that name; nullptr when there is none.
const FuzzEntry* FindFuzzEntry(const char* name);

// Text module: marker extraction, splitting and list replacement.
void FuzzTextMarkers(const uint8_t* data, size_t size);
// Text module: entity and escape decoding, code pages, percent-decoding, the random token.
void FuzzTextDecoding(const uint8_t* data, size_t size);
void FuzzProtectedText(const uint8_t* data, size_t size);
void FuzzUrlUnescape(const uint8_t* data, size_t size);
void FuzzCleanFileName(const uint8_t* data, size_t size);

// Page parsers: page bytes, read as the lister reads them, to records or pictures.
void FuzzXiangceHomePage(const uint8_t* data, size_t size);
void FuzzXiangceAlbumPage(const uint8_t* data, size_t size);
void FuzzTiebaAlbumPage(const uint8_t* data, size_t size);
void FuzzTiebaPostPage(const uint8_t* data, size_t size);
void FuzzXiangcePicturePage(const uint8_t* data, size_t size);
void FuzzTiebaPicturePage(const uint8_t* data, size_t size);
void FuzzTiebaGuidePage(const uint8_t* data, size_t size);

// Bytes from files and bodies: gzip inflation, the settings file, the extension settings file.
void FuzzInflateGzip(const uint8_t* data, size_t size);
void FuzzLoadSettings(const uint8_t* data, size_t size);
void FuzzExtensionSettings(const uint8_t* data, size_t size);

// The file and folder names AddPicture gives pictures from rules, album names and page texts.
void FuzzPictureNaming(const uint8_t* data, size_t size);

// What the fetcher reads from servers and its own files: Content-Range, validators and the
// validator file; Retry-After and the retry rule; the cookie-file merge.
void FuzzContentRange(const uint8_t* data, size_t size);
void FuzzRetryAfter(const uint8_t* data, size_t size);
void FuzzCookieMerge(const uint8_t* data, size_t size);
// The replies of an aria2 daemon (anyone's): a single call's result and a multicall's list.
void FuzzAria2Reply(const uint8_t* data, size_t size);
