#include "notes_source/rfc3339_date.h"

namespace quillmere {

namespace {

// Reads exactly `digits` decimal digits at `at`, advancing it.
std::optional<int> number(std::string_view text, std::size_t& at, int digits) {
    if (at + static_cast<std::size_t>(digits) > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[at++];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool expect(std::string_view text, std::size_t& at, char wanted, char alternative = 0) {
    if (at < text.size() && (text[at] == wanted || (alternative && text[at] == alternative))) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace

std::optional<Date> parseRfc3339(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    const auto y = number(text, at, 4);
    if (!y || !expect(text, at, '-')) return std::nullopt;
    const auto mo = number(text, at, 2);
    if (!mo || !expect(text, at, '-')) return std::nullopt;
    const auto d = number(text, at, 2);
    if (!d || !expect(text, at, 'T', 't')) return std::nullopt;
    const auto h = number(text, at, 2);
    if (!h || !expect(text, at, ':')) return std::nullopt;
    const auto mi = number(text, at, 2);
    if (!mi || !expect(text, at, ':')) return std::nullopt;
    const auto s = number(text, at, 2);
    if (!s) return std::nullopt;

    std::int64_t micros = 0;
    if (expect(text, at, '.')) {
        int digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            if (digits < 6) {
                micros = micros * 10 + (text[at] - '0');
            }
            ++digits;
            ++at;
        }
        if (digits == 0) return std::nullopt;
        for (int i = digits; i < 6; ++i) micros *= 10;
    }

    int offsetMinutes = 0;
    if (!expect(text, at, 'Z', 'z')) {
        if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return std::nullopt;
        const int sign = text[at++] == '-' ? -1 : 1;
        const auto oh = number(text, at, 2);
        if (!oh || !expect(text, at, ':')) return std::nullopt;
        const auto om = number(text, at, 2);
        if (!om || *oh > 23 || *om > 59) return std::nullopt;
        offsetMinutes = sign * (*oh * 60 + *om);
    }
    if (at != text.size()) return std::nullopt;

    const year_month_day day{year{*y}, month{static_cast<unsigned>(*mo)},
                             std::chrono::day{static_cast<unsigned>(*d)}};
    if (!day.ok() || *h > 23 || *mi > 59 || *s > 60) return std::nullopt;

    const auto local = sys_days{day} + hours{*h} + minutes{*mi} + seconds{*s};
    return Date{local - minutes{offsetMinutes}} + microseconds{micros};
}

}  // namespace quillmere
