#include "platform/crypto/password_ring.h"

#include <gtest/gtest.h>

#include <deque>

namespace quillmere {
namespace {

class ScriptedPrompt : public PasswordPrompt {
public:
    std::deque<std::optional<std::string>> answers;  // std::nullopt: "Skip locked notes"
    std::vector<std::string> askedHints;

    std::optional<SecureBytes> askPassword(const PasswordRequest& request) override {
        askedHints.push_back(request.hint);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        if (!answer) return std::nullopt;
        return secureBytesOf(*answer);
    }
};

std::string asString(const SecureBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Each item opens with one password; the run opens them in turn.
TEST(PasswordRing, TriesTheLastThatWorkedFirstAndAsksOncePerHint) {
    struct Item {
        std::string hint, password;
    };
    struct Row {
        const char* name;
        std::vector<std::string> given;
        std::vector<std::optional<std::string>> typed;
        std::vector<Item> items;
        std::vector<PasswordRing::Outcome> outcomes;
        std::vector<std::string> triedOnLast;  // in order
        std::vector<std::string> hintsAsked;
        bool withPrompt = true;
    };
    using O = PasswordRing::Outcome;
    const Row rows[] = {
        {"given_in_order_last_opened_first",
         {"a", "b", "c"},
         {},
         {{"h", "b"}, {"h", "c"}},
         {O::opened, O::opened},
         {"b", "a", "c"},
         {}},
        {"nothing_given_no_prompt", {}, {}, {{"h", "x"}}, {O::noPassword}, {}, {}, false},
        {"wrong_given_no_prompt", {"a"}, {}, {{"h", "x"}}, {O::wrongPasswords}, {"a"}, {}, false},
        {"typed_once_per_hint",
         {},
         {"x", "y"},
         {{"h1", "x"}, {"h1", "z"}, {"h2", "y"}},
         {O::opened, O::wrongPasswords, O::opened},
         {"x", "y"},
         {"h1", "h2"}},
        {"skip_asks_no_more",
         {},
         {std::nullopt, "y"},
         {{"h1", "x"}, {"h2", "y"}},
         {O::noPassword, O::noPassword},
         {},
         {"h1"}},
        {"typed_password_kept_for_later_items",
         {"a"},
         {"x"},
         {{"h", "x"}, {"other", "x"}},
         {O::opened, O::opened},
         {"x"},
         {"h"}},
    };
    for (const Row& row : rows) {
        auto prompt = std::make_shared<ScriptedPrompt>();
        prompt->answers.assign(row.typed.begin(), row.typed.end());
        std::vector<SecureBytes> given;
        for (const auto& password : row.given) given.push_back(secureBytesOf(password));
        PasswordRing ring(std::move(given), row.withPrompt ? prompt : nullptr);
        std::vector<std::string> tried;
        for (std::size_t i = 0; i < row.items.size(); ++i) {
            tried.clear();
            const Item& item = row.items[i];
            const auto outcome = ring.open({"note", item.hint}, [&](const SecureBytes& password) {
                tried.push_back(asString(password));
                return asString(password) == item.password;
            });
            EXPECT_EQ(outcome, row.outcomes[i]) << row.name << " item " << i;
        }
        EXPECT_EQ(tried, row.triedOnLast) << row.name;
        EXPECT_EQ(prompt->askedHints, row.hintsAsked) << row.name;
    }
}

}  // namespace
}  // namespace quillmere
