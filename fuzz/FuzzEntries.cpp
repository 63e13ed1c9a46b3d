#include "FuzzEntries.h"

#include <cstring>
#include <iterator>

namespace {

constexpr FuzzEntry kEntries[] = {
    {"text_markers", &FuzzTextMarkers},
    {"text_decoding", &FuzzTextDecoding},
    {"protected_text", &FuzzProtectedText},
    {"url_unescape", &FuzzUrlUnescape},
    {"clean_file_name", &FuzzCleanFileName},
    {"xiangce_home_page", &FuzzXiangceHomePage},
    {"xiangce_album_page", &FuzzXiangceAlbumPage},
    {"tieba_album_page", &FuzzTiebaAlbumPage},
    {"tieba_post_page", &FuzzTiebaPostPage},
    {"xiangce_picture_page", &FuzzXiangcePicturePage},
    {"tieba_picture_page", &FuzzTiebaPicturePage},
    {"tieba_guide_page", &FuzzTiebaGuidePage},
    {"inflate_gzip", &FuzzInflateGzip},
    {"load_settings", &FuzzLoadSettings},
    {"extension_settings", &FuzzExtensionSettings},
    {"picture_naming", &FuzzPictureNaming},
    {"content_range", &FuzzContentRange},
    {"retry_after", &FuzzRetryAfter},
    {"cookie_merge", &FuzzCookieMerge},
    {"aria2_reply", &FuzzAria2Reply},
};

}  // namespace

std::span<const FuzzEntry> FuzzEntries() {
    return kEntries;
}

const FuzzEntry* FindFuzzEntry(const char* name) {
    for (const FuzzEntry& entry : kEntries) {
        if (std::strcmp(entry.name, name) == 0) {
            return &entry;
        }
    }
    return nullptr;
}
