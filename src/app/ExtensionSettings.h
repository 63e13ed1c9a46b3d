#pragma once
// The optional extension settings file "下载器扩展设置.ini" in the settings folder, and the small
// private-profile (INI) reader that reads it.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

inline constexpr char kExtensionSettingsFileName[] = "下载器扩展设置.ini";  // UTF-8

// Values for the QQ zone and Taobao source kinds; the listers of this program do not act on them.
struct ExtensionSettings {
    int pageDecoding1 = 0;            // text flags for "V2编码": 0 ANSI, 2 UTF-8, 8 Big5, 16 auto
    int pageDecoding2 = 0;            // text flags for "V3编码", the same values
    uint32_t originalNameMethod = 0;  // "取原始名方式"
    int priceInName = 0;              // 1 when "图片名中是否有价格" starts with "有"
    uint32_t priceAdjustment = 0;     // "价格增减"
};

// Resets the decoding choices, the price flag and the price adjustment to 0 (the original-name
// method keeps its value) and, when the file exists in the folder, reads them from it.
void ReadExtensionSettings(ExtensionSettings& settings, const QString& folder);

// Private-profile reading over a decoded file text.
//
// The file's bytes as text: UTF-8 (with or without its byte-order mark), UTF-16LE or UTF-16BE
// with their byte-order marks, else GBK when the bytes are not valid UTF-8.
QString DecodeProfileText(const QByteArray& bytes);
// The value of the key in the first section of that name (both compared ignoring letter case);
// within the section the first line with the key wins. The value is the text after the first "=",
// white space trimmed and one pair of surrounding quotes removed. Lines starting with ";" are
// comments; lines without "=" hold no key. Empty when the section or the key is missing.
std::optional<QString> FindProfileValue(const QString& profileText, const QString& section,
                                        const QString& key);
// The value as text, or the default when the key is missing.
QString ReadProfileString(const QString& profileText, const QString& section, const QString& key,
                          const QString& defaultValue);
// The value, cut to 64 units, read as an unsigned decimal number from its start (digits beyond
// 32 bits wrap around). A missing or empty value gives the default; a value present but not
// starting with a digit reads as 0.
uint32_t ReadProfileInt(const QString& profileText, const QString& section, const QString& key,
                        uint32_t defaultValue);
