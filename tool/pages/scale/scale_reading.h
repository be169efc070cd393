// What the scale page shows for one reading of posperiph's read_standard, and how it reads the
// preset tare box. No I/O here: the page feeds these functions and puts their texts in its boxes.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// read_standard's codes.
constexpr int READ_OK = 240;
constexpr int READ_ERR_OTHER = -1;
constexpr int READ_ERR_OVERFLOW = -2;
constexpr int READ_ERR_OVERFLOW_AT_START = -5;
constexpr int READ_ERR_LOAD = -8;

// Status byte bits of a reading.
constexpr unsigned char STATUS_STABLE = 0x01;
constexpr unsigned char STATUS_AT_ZERO = 0x02;

using ScaleReading = std::array<unsigned char, 32>;

// The seven status texts of the page's language.
struct ScaleStatusTexts {
    QString stable;
    QString unstable;
    QString atZero;
    QString nonZero;
    QString overflow;
    QString loadFailure;
    QString otherError;
};
ScaleStatusTexts StatusTextsFor(bool chinese);

// The texts of the four boxes after one poll; an empty optional leaves that box as it is.
struct ScaleBoxes {
    QString status;               // 1011, always written
    std::optional<QString> net;   // 1008
    std::optional<QString> raw;   // 1009
    std::optional<QString> tare;  // 1010

    bool operator==(const ScaleBoxes&) const = default;
};
ScaleBoxes DecodeReading(int code, const ScaleReading& reading, const ScaleStatusTexts& texts);

// The grams typed in the preset tare box, read as the C library's atoi reads them but without
// its undefined overflow: leading blanks, an optional sign, digits up to the first other
// character; no digits gives 0, a number beyond 32 bits the nearest 32-bit limit.
std::int32_t ReadGrams(std::string_view text);

constexpr std::uint32_t PRESET_TARE_MAX_GRAMS = 5998;
// The field send_pre_tare takes: the tare in kg as "%-7.3f", exactly seven characters.
using PresetTareField = std::array<char, 7>;
// The field for the box text, or nothing when the grams are outside 0 to 5998 (negative ones
// included: they are compared as unsigned).
std::optional<PresetTareField> PresetTareFieldFor(std::string_view boxText);
