#include "app/note_front_matter.h"

#include <unicode/utf8.h>

#include <cstdio>
#include <ctime>

namespace quillmere::note_front_matter {

namespace {

void appendEscape(std::string& out, UChar32 c) {
    char buffer[16];
    if (c <= 0xFF) {
        std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(c));
    } else if (c <= 0xFFFF) {
        std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
    } else {
        std::snprintf(buffer, sizeof buffer, "\\U%08X", static_cast<unsigned>(c));
    }
    out += buffer;
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string out = "\"";
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t at = 0; at < length;) {
        const std::int32_t start = at;
        UChar32 c;
        U8_NEXT(text.data(), at, length, c);
        if (c < 0) {
            out += "\\uFFFD";  // an invalid sequence, as a UTF-8 reader would show it
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFEFF || c == 0x2028 ||
                   c == 0x2029 || c == 0xFFFE || c == 0xFFFF) {
            appendEscape(out, c);
        } else {
            out.append(
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
        }
    }
    return out + "\"";
}

std::string isoDate(Date date, std::chrono::seconds offset) {
    using namespace std::chrono;
    const auto local = floor<seconds>(date) + offset;
    const auto day = floor<days>(local);
    const year_month_day ymd(day);
    const hh_mm_ss<seconds> time(local - day);
    const long long minutes = offset.count() / 60;
    const long long absolute = minutes < 0 ? -minutes : minutes;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02lld:%02lld:%02lld%c%02lld:%02lld",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<long long>(time.hours().count()),
                  static_cast<long long>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()), minutes < 0 ? '-' : '+',
                  absolute / 60, absolute % 60);
    return buffer;
}

std::chrono::seconds localOffset(Date date) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(date));
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return std::chrono::seconds(0);
    return std::chrono::seconds(local.tm_gmtoff);
}

std::string written(const FrontMatter& fields) {
    std::string out = "---\ntitle: " + quoted(fields.title) + "\n";
    // Years outside 0000-9999 have no ISO 8601 form without an agreed extension.
    const auto writeDate = [&out](const char* key, const std::optional<Date>& date) {
        if (!date) return;
        using namespace std::chrono;
        const year year = year_month_day(floor<days>(*date)).year();
        if (year < std::chrono::year(1) || year > std::chrono::year(9998)) return;
        out += std::string(key) + ": " + isoDate(*date, localOffset(*date)) + "\n";
    };
    writeDate("created", fields.created);
    writeDate("modified", fields.modified);
    if (!fields.folder.empty()) out += "folder: " + quoted(fields.folder) + "\n";
    if (!fields.account.empty()) out += "account: " + quoted(fields.account) + "\n";
    out += "tags: [";
    for (std::size_t i = 0; i < fields.tags.size(); ++i) {
        out += (i > 0 ? ", " : "") + quoted(fields.tags[i]);
    }
    out += "]\n";
    if (fields.locked) out += "locked: true\n";
    return out + "---\n";
}

markdown::Conversion markdownFile(std::string_view html, FrontMatter fields,
                                  const markdown::Budget& budget) {
    markdown::Conversion body = markdown::fromHtml(html, budget);
    if (body.fault) return body;
    fields.tags = body.hashtags;
    body.markdown = written(fields) + "\n" + body.markdown;
    return body;
}

}  // namespace quillmere::note_front_matter
