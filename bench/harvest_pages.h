// Listing pages for the harvest benchmark, in the markup the default page
// pattern expects: each sound effect a title link on its own line followed,
// a few kilobytes later, by its audio source. Chinese text throughout, LF
// line ends, the same bytes on every run.
#pragma once

#include <cstddef>
#include <string>

namespace sfx::bench {

// A listing page of the site is about 200 KB and lists about 30 sounds.
inline constexpr std::size_t kListingPageBytes = 200 * 1024;
inline constexpr int kSoundsPerListingPage = 30;

// The path of listing page `page`, as the site numbers them.
std::string listingPagePath(int page);

// UTF-8 page of about `bytes` bytes, with one sound per
// kListingPageBytes / kSoundsPerListingPage bytes.
std::string listingPageUtf8(int page, std::size_t bytes);

// How many sounds listingPageUtf8 puts on a page of `bytes` bytes.
int soundsOnPage(std::size_t bytes);

// UTF-8 page of `sounds` sound effects with nothing between them but their
// own markup, about 200 bytes each: a page of very many matches. Sound i is
// titled "音效 i" and its audio link, without a scheme, ends "/i.mp3".
std::string compactListingPageUtf8(int sounds);

}  // namespace sfx::bench
