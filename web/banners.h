// The three banner slots' pictures: one image address per slot, fetched
// over HTTP. A slot whose download fails, or whose server answers with its
// error page, stays empty.
#pragma once

#include <array>
#include <atomic>
#include <string>

#include "base/file_io.h"

namespace korvane {

inline constexpr int kBannerSlotCount = 3;
using BannerAddressList = std::array<std::string, kBannerSlotCount>;

// The error page of the banner server is recognised by this text.
inline constexpr char kBannerErrorMarker[] = "页面不存在";
// Banners are small pictures; a larger body is not one.
inline constexpr size_t kMaxBannerBytes = size_t(8) << 20;

// The program's own three addresses.
BannerAddressList DefaultBannerAddresses();

// The addresses in use: those of KORVANE_BANNER_URLS when it holds exactly
// three http(s) addresses separated by blanks, else the defaults. Anything
// else in the variable is ignored, with the reason in `complaint`.
BannerAddressList BannerAddresses(std::string* complaint = nullptr);
// The same rule for a given value of the variable (null: not set).
BannerAddressList BannerAddressesFrom(const char* variable, std::string* complaint);

// One slot's picture: the body of a GET of the address, or empty when the
// download failed or the body is the server's error page.
ByteArray FetchBanner(const std::string& url, const std::atomic<bool>* cancel = nullptr);

}  // namespace korvane
