#include "sources/TiebaPost.h"

#include "app/Harvest.h"
#include "sources/ListerFetch.h"
#include "text/StringCtrl.h"

ST_PERLISTRECORD ParseTiebaPostPage(QString text, const QString& postAddress) {
    ST_PERLISTRECORD record;
    record.strKey = postAddress;
    record.strName =
        ExtractBetween(text, QStringLiteral("title' : '"), QStringLiteral("'"), EXTRACT_ADVANCE);
    record.nPicCount = -1;
    record.nRemark = 0;
    return record;
}

void ListTiebaPost(const QString& postAddress, Harvest& harvest) {
    QString text;
    if (!FetchPageText(MakePageRequest(postAddress), text, TEXT_INFLATE)) {
        return;
    }
    harvest.AddListedAlbum(ParseTiebaPostPage(text, postAddress));
}
