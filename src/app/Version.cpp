#include "app/Version.h"

QString ProductTitle() {
    return QStringLiteral("Quorvix 相册批量下载");
}

QString ProductVersionText() {
    return QStringLiteral("版本号：14.07.08.01");
}

QString ProductVersion() {
    return QStringLiteral(QUORVIX_VERSION);
}
