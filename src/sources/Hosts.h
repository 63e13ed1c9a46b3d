#pragma once
// Scheme and host of the services that the listers read.

#include <QString>

inline QString XiangceHost() {
    return QStringLiteral("http://xiangce.baidu.com");
}
inline QString TiebaHost() {
    return QStringLiteral("http://tieba.baidu.com");
}
inline QString TiebaPictureHost() {
    return QStringLiteral("http://imgsrc.baidu.com");
}
