#pragma once
// The window's password dialog for a locked note: which note, its hint, a password field, an
// Open button (the default) and "Skip locked notes", which ends the questions for the run.
//
//   auto prompt = std::make_shared<QtPasswordPrompt>(mainQueue, window);
//   // the walk, on its background queue: prompt->askPassword({title, hint})
//
// The typed password leaves the dialog only as the answer; the field is cleared at once.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/dispatch/dispatch_queue.h"
#include "platform/ui/password_prompt.h"

namespace quillmere::gui {

class QtPasswordPrompt : public PasswordPrompt {
public:
    QtPasswordPrompt(std::shared_ptr<DispatchQueue> mainQueue, QWidget* parent)
        : mainQueue_(std::move(mainQueue)), parent_(parent) {}

    // Shows the dialog on the main queue and waits for the user.
    std::optional<SecureBytes> askPassword(const PasswordRequest& request) override;

    // The dialog itself, modal over `parent`; on the main thread. Its widgets are named
    // "noteLabel", "hintLabel", "passwordField", "openButton" and "skipButton".
    static std::optional<SecureBytes> runDialog(QWidget* parent, const PasswordRequest& request);

private:
    std::shared_ptr<DispatchQueue> mainQueue_;
    QPointer<QWidget> parent_;
};

}  // namespace quillmere::gui
