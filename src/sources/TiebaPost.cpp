#include "sources/TiebaPost.h"

#include "sources/PageFetch.h"
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

ListingResult ListTiebaPost(const QString& postAddress, AlbumSink& sink, int maxRetries) {
    // The post page is read as GBK (inflated, no UTF-8 flag).
    const PageText page = FetchListPage(MakePageRequest(postAddress), TEXT_INFLATE, maxRetries,
                                        [&sink] { return sink.StopRequested(); });
    if (!page.ok) {
        return FailedListing(page.failure);
    }
    sink.AddAlbum(ParseTiebaPostPage(page.text, postAddress));
    return {};
}
