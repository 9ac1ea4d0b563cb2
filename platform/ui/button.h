#pragma once
// A push button, such as the start button of a run. Touched only on the main queue.

namespace quillmere {

class Button {
public:
    virtual ~Button() = default;

    virtual void setHidden(bool hidden) = 0;
    virtual bool isHidden() const = 0;
};

}  // namespace quillmere
