// The texts of the rate and percentage columns of the running row.
#pragma once

#include <cstdint>
#include <string>

namespace sfx {

// x with at most two decimals, cut and never rounded beyond the six
// significant digits floatToText keeps: 12.3457 reads "12.34", 1.5 stays
// "1.5", 2 reads "2.00". Never an exponent form: a value that floatToText
// writes with an exponent is cut in its positional form ("0.00", "1234570.00").
[[nodiscard]] std::string twoDecimalText(float x);

// Bytes per second with its unit: "500B/S", "1.5KB/S ", "2.86MB/S ",
// "2.00GB/S " (no space after "B/S", one after the others). Exactly 1024,
// 1048576 and 1073741824 read in the upper unit ("1.00KB/S ").
[[nodiscard]] std::string rateText(std::int64_t rate);

// done / size as a percentage with at most two decimals and "%": "33.33%",
// "12.5%", "50.00%". A size of 0 or less (an empty or missing local file) or
// a negative done count gives "0.00%"; a done count above the size is shown
// as it is ("150.00%").
[[nodiscard]] std::string percentageText(std::int64_t done, std::int64_t size);

}  // namespace sfx
