#pragma once
// The pages of a listing whose pages are numbered, so that page n needs nothing from page n - 1
// (the forum's album wall): a few pages are fetched at once and handed out in order, and the
// listing waits for about one page's round trip instead of each page's in turn. What was asked
// for beyond the listing's end is cancelled and dropped.

#include "sources/PageFetch.h"

#include <functional>
#include <memory>

class NumberedPages {
public:
    using RequestFor = std::function<UrlRequest(int page)>;

    // Pages from firstPage on, at most `ahead` in flight; busy servers are asked again as the
    // retry rule says.
    NumberedPages(RequestFor request, int firstPage, int ahead, unsigned textFlags, int maxRetries,
                  StopCheck stopped);
    // Cancels what is still in flight and waits until it has ended.
    ~NumberedPages();
    NumberedPages(const NumberedPages&) = delete;
    NumberedPages& operator=(const NumberedPages&) = delete;

    // The next page in order, once it has arrived, could not be fetched, or a stop came.
    PageText Next();

private:
    struct State;
    void Submit(int page);

    RequestFor request_;
    const int ahead_;
    const unsigned textFlags_;
    const int maxRetries_;
    StopCheck stopped_;
    int next_;       // the page Next hands out
    int requested_;  // pages below this were asked for
    std::shared_ptr<State> state_;
};
