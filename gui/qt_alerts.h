#pragma once
// Alerts as modal message boxes over the main window: the message text, the informative text
// below it, and the one OK button, which is the default.

#include <QPointer>
#include <QWidget>

#include "platform/ui/alerts.h"

namespace quillmere::gui {

class QtAlerts : public Alerts {
public:
    // `parent` is the window the alerts belong to; none makes them application-modal.
    explicit QtAlerts(QWidget* parent) : parent_(parent) {}

    // Returns once the user has dismissed the alert; the window's other events go on meanwhile.
    void runModal(const Alert& alert) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace quillmere::gui
