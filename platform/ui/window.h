#pragma once
// The application's main window, as the run knows it: only as an outlet it does not use.

namespace quillmere {

class Window {
public:
    virtual ~Window() = default;
};

}  // namespace quillmere
