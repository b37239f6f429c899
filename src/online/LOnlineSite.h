#pragma once
// Where the program's online addresses point. Every address of the maker's
// site is built from one constant; the environment variable QUORIN_SITE
// ("scheme://host:port", e.g. https://127.0.0.1:8443) puts another server's
// scheme, host and port in place of those of every address the program
// fetches or opens, paths unchanged (tests, staging). It changes only where
// the program connects: certificates are still verified, against the host
// it names.

#include <cstddef>
#include <string>

inline constexpr char kQuorinSite[] = "https://www.oxbelsoftware.com";
inline constexpr char kQuorinSecondSite[] = "https://www.oxbel.com";
inline constexpr char kQuorinFacebookPage[] = "https://www.facebook.com/OxbelSoftware";
inline constexpr char kQuorinTwitterPage[] = "https://twitter.com/OxbelSoftware";
inline constexpr char kQuorinHelpSite[] = "https://help.oxbelsoftware.com";

// The address with QUORIN_SITE's scheme, host and port when that variable
// holds a valid "http(s)://host[:port]"; the address as given otherwise
// (and for texts that are no address).
std::string LApplySiteOverride(const char* url);

// The maker's site followed by the path (which begins with '/').
std::string LSiteUrl(const char* path);

// Percent-encoding of query values: letters, digits and ! - . _ ~ stay, any
// other byte becomes '%' and two upper-case hex digits; the result stays
// below `limit` bytes and never ends in a cut escape.
std::string LPercentEncode(const char* text, size_t limit);
