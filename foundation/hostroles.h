#pragma once

#include <QString>

// Every outside host the program talks to, by role. Defaults are eBay's own
// hosts (and placeholders for the vendor); the file named by TALLOWMERE_HOSTS
// overrides them with lines of
//     role=host[:port]            one host and port for both schemes
//     role.http=host:port         the port for plain http only
//     role.https=host:port        the port for https only
// so the program can be pointed at the local simulator.
namespace HostRoles {

enum class Role {
    SignIn,        // sign-in (https) and sign-out (always http)
    Listing,       // the return address inside the full sign-in request
    Item,          // item pages of the US site
    Time,          // eBay's official-time page
    Feedback,      // feedback pages
    Offer,         // bid preparation and confirmation
    MemberProfile, // member-profile links on item pages
    MyEbay,        // My eBay lists
    Payments,      // payment status
    StaticPics,    // static pictures
    Search,        // search pages of the US site
    Relist,        // relisting pages
    Www,           // the US site's "www" host (the clipboard prompt's item view)
    // Hosts of the chosen site, formed from its domain.
    SiteBase,      // the site's home ("http://" + domain + "/")
    SiteItem,
    SiteSearch,
    SiteSelling,
    SiteMyEbay,
    SiteFeedback,
    // The vendor.
    Vendor,        // plain http: account query, information pages
    VendorSecure,  // https: the online service, update information and releases, problem reports
};

// The role's name in the override file ("signin", "siteitem", ...).
QString name(Role role);

// "host" or "host:port" for the role and scheme. `domain` is the chosen eBay
// site (the lower-cased entry of the settings window's site list) and only
// matters for the Site roles.
QString host(Role role, bool https = false, const QString &domain = QStringLiteral("ebay.com"));

// scheme://host[:port] followed by pathAndQuery (which starts with "/").
QString url(Role role, const QString &pathAndQuery, bool https = false,
            const QString &domain = QStringLiteral("ebay.com"));

// Whether the address was served over HTTPS by exactly the role's https
// host (and port), whatever name the overrides give it: only there may the
// user's password be filled in.
bool servedOverHttps(const QString &url, Role role);

// Re-reads TALLOWMERE_HOSTS (tests that change it).
void reload();

} // namespace HostRoles
