#include "web/banners.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "web/cookie_helpers.h"
#include "web/http_request.h"

namespace korvane {

BannerAddressList DefaultBannerAddresses() {
  // The project's own placeholder host; a deployment that serves banners
  // names its own addresses in KORVANE_BANNER_URLS.
  return {"http://banners.korvane.example.com/banner/1.png", "http://banners.korvane.example.com/banner/2.png",
          "http://banners.korvane.example.com/banner/3.png"};
}

BannerAddressList BannerAddressesFrom(const char* variable, std::string* complaint) {
  if (!variable) return DefaultBannerAddresses();
  std::istringstream words{std::string(variable)};
  std::vector<std::string> urls;
  for (std::string word; words >> word;) urls.push_back(word);
  bool ok = urls.size() == kBannerSlotCount;
  for (const std::string& u : urls) ok = ok && (u.rfind("http://", 0) == 0 || u.rfind("https://", 0) == 0);
  if (!ok) {
    if (complaint)
      *complaint = "KORVANE_BANNER_URLS ignored: it must hold three http:// or https:// addresses separated by blanks";
    return DefaultBannerAddresses();
  }
  return {urls[0], urls[1], urls[2]};
}

BannerAddressList BannerAddresses(std::string* complaint) {
  return BannerAddressesFrom(std::getenv("KORVANE_BANNER_URLS"), complaint);
}

ByteArray FetchBanner(const std::string& url, const std::atomic<bool>* cancel) {
  HttpRequestArgs args;
  args.url = url;
  args.maxBodyBytes = kMaxBannerBytes;
  args.cancel = cancel;
  ByteArray body = HttpRequest(args);
  if (Utf8ToText(body).find(kBannerErrorMarker) != std::string::npos) return {};
  return body;
}

}  // namespace korvane
