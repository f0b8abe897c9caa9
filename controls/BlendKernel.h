// The byte loop under BlendImages:
//   out[i] = ((255 - level) * from[i]) div 255 + (level * to[i]) div 255.
// BlendBytes picks a vector version where the processor has one; every
// version gives the exact integer result.
#pragma once

#include <cstddef>
#include <cstdint>

namespace controls::detail {

void BlendBytes(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out, std::size_t count,
                std::uint8_t level);

// The portable version (the compiler vectorises it for the baseline
// instruction set).
void BlendBytesPortable(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                        std::size_t count, std::uint8_t level);

// The name of the version BlendBytes uses on this processor.
const char* BlendBytesVersion();

}  // namespace controls::detail
