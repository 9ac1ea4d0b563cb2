#pragma once
// The passwords of one run, tried on each locked item: the one that opened the last item first,
// then the others in the order they came (given up front, then typed), and only when none opens
// it, a question to the user, at most once per distinct hint. Every password is cleared from
// memory when the ring goes away (the end of the run).
//
//   PasswordRing ring(passwordsFromFile, prompt);   // either may be empty
//   auto outcome = ring.open({title, hint}, [&](const SecureBytes& password) {
//       return decrypt(password).has_value();
//   });
//   if (outcome == PasswordRing::Outcome::noPassword) log("locked; no password given");
//
// Safe to use from several threads; calls are serialised.

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/crypto/secure_bytes.h"
#include "platform/ui/password_prompt.h"

namespace quillmere {

class PasswordRing {
public:
    enum class Outcome {
        opened,
        noPassword,      // nothing was tried: no password given, none typed
        wrongPasswords,  // every password tried failed
    };

    explicit PasswordRing(std::vector<SecureBytes> passwords = {},
                          std::shared_ptr<PasswordPrompt> prompt = nullptr);

    // Calls `tryPassword` with each password in turn until it answers true.
    Outcome open(const PasswordRequest& request,
                 const std::function<bool(const SecureBytes& password)>& tryPassword);

private:
    std::mutex mutex_;
    std::vector<SecureBytes> passwords_;
    std::shared_ptr<PasswordPrompt> prompt_;
    std::size_t lastOpened_ = 0;   // index into passwords_, valid when passwords_ is not empty
    std::set<std::string> asked_;  // hints already asked for
    bool declined_ = false;        // the user asked to be asked no more
};

}  // namespace quillmere
