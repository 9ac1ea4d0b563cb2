#include "platform/crypto/password_ring.h"

namespace quillmere {

PasswordRing::PasswordRing(std::vector<SecureBytes> passwords,
                           std::shared_ptr<PasswordPrompt> prompt)
    : passwords_(std::move(passwords)), prompt_(std::move(prompt)) {}

PasswordRing::Outcome PasswordRing::open(
    const PasswordRequest& request,
    const std::function<bool(const SecureBytes& password)>& tryPassword) {
    std::lock_guard lock(mutex_);
    bool tried = false;
    auto attempt = [&](std::size_t index) {
        tried = true;
        if (!tryPassword(passwords_[index])) return false;
        lastOpened_ = index;
        return true;
    };
    if (!passwords_.empty()) {
        if (attempt(lastOpened_)) return Outcome::opened;
        for (std::size_t i = 0; i < passwords_.size(); ++i) {
            if (i != lastOpened_ && attempt(i)) return Outcome::opened;
        }
    }
    if (prompt_ && !declined_ && asked_.insert(request.hint).second) {
        auto typed = prompt_->askPassword(request);
        if (!typed) {
            declined_ = true;
        } else {
            passwords_.push_back(std::move(*typed));
            if (attempt(passwords_.size() - 1)) return Outcome::opened;
        }
    }
    return tried ? Outcome::wrongPasswords : Outcome::noPassword;
}

}  // namespace quillmere
