#pragma once
// The browser profile that every login window shares. Its data live in the per-user data
// folder; its cookies and the fetcher's cookie store are kept in step: every cookie a page sets
// or deletes reaches the store, and the store's cookies are given to the browser when the
// profile starts.

class QWebEngineProfile;

QWebEngineProfile& SharedBrowserProfile();
