#pragma once
// The browser profile that every login window shares. Its data live in the per-user data
// folder; its cookies and the fetcher's cookie store are kept in step: every cookie a page sets
// or deletes reaches the store, and the store's cookies are given to the browser when the
// profile starts.

class QWebEngineProfile;

QWebEngineProfile& SharedBrowserProfile();
// Gives the browser every cookie of the fetcher's store (a login window calls this as it opens).
void GiveStoreCookiesToBrowser();
// Settings the browser engine needs before the application object exists.
void PrepareBrowserEngine();
