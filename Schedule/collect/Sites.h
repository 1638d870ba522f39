// The web sites of each server as the settings database lists them (WebSiteInfo): a server's
// sites listed by its server-info component when first asked for, a site's index, and the
// directory path built from it. Every procedure reports under mCollect.
#pragma once

#include <string>

// Makes sure WebSiteInfo lists the entry's server; false when the settings database is not open.
bool GetWebSites(const std::string& entry);
// The SiteIndex of a web site of a server, or empty when WebSiteInfo does not list it.
std::string FindSiteIndex(const std::string& server, const std::string& site);
// The directory path "IIS://server/W3SVC/<site index>/ROOT/dir..." of a server\site\dir entry;
// empty for an empty entry or a bare server name.
std::string GetPath(const std::string& entry);
