#pragma once
// Per-source-kind download parameters and naming rules, as the settings file stores them.
// Plain records; the settings file codec fixes their byte layout.

#include <QString>
#include <cstdint>

// Size limits, worker count and time-out of one source kind.
struct DownloadParams {
    uint16_t minSizeKb = 0;    // smallest picture kept, KiB
    uint16_t maxSizeKb = 0;    // largest picture kept, KiB; 0 means no upper limit
    uint16_t threadCount = 0;  // concurrent downloads, 1 to 15
    uint16_t timeoutSec = 0;   // per-picture time-out in seconds, at least 10
};

// Naming rules and option bits of one source kind.
struct SaveRules {
    QString filePrefix;   // put before every file name
    QString fileSuffix;   // put after every file name, before the extension
    QString replaceFrom;  // "|"-separated texts to replace in file names
    QString replaceTo;    // "|"-separated replacements
    QString albumPrefix;  // put before the album folder name
    QString albumSuffix;  // put after the album folder name
    uint16_t optionFlags = 0;
    uint8_t fileNameMode = 0;
    uint8_t albumNameMode = 0;
};

// Bits of SaveRules::optionFlags.
constexpr uint16_t OPT_FIX_FORMAT = 0x0001;       // "修正图片格式"
constexpr uint16_t OPT_FIX_ORDER = 0x0002;        // "修正图片顺序"
constexpr uint16_t OPT_SOURCE_NAMES = 0x0004;     // "生成图片原始名文件"
constexpr uint16_t OPT_LIST_ONLY = 0x0008;        // "只生成迅雷下载列表"
constexpr uint16_t OPT_OPEN_FOLDER = 0x0010;      // "下载完成后打开保存路径"
constexpr uint16_t OPT_MAIN_IMAGE_ONLY = 0x0020;  // "只下载淘宝宝贝主图"
constexpr uint16_t OPT_SKIP_DOWNLOADED = 0x0040;  // "不下载以前下载过的图片"
// "又拍相册下载大图（不勾选为下载原图，下载原图速度更慢）"
constexpr uint16_t OPT_LARGE_IMAGES = 0x0080;
constexpr uint16_t OPT_DESCRIPTION_IMAGES = 0x0100;  // "只下载宝贝描述里的图片"

// Values of SaveRules::fileNameMode; any other value behaves as FILE_NAME_SEQUENCE.
constexpr uint8_t FILE_NAME_SOURCE = 0;    // the picture's source name ("描述")
constexpr uint8_t FILE_NAME_SEQUENCE = 1;  // the picture number ("序号")
constexpr uint8_t FILE_NAME_ADDRESS = 2;   // the last segment of the address ("网址")

// Values of SaveRules::albumNameMode; any non-zero value behaves as ALBUM_NAME_NONE.
constexpr uint8_t ALBUM_NAME_ALBUM = 0;  // the album's name ("相册名")
constexpr uint8_t ALBUM_NAME_NONE = 1;   // no album name ("无")
