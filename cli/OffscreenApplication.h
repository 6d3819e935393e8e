// The Qt application a figure needs, on the offscreen platform: figures are drawn without a
// display. Quiet: Qt's own warnings are dropped.
#pragma once

#include <memory>

class QApplication;

namespace cli {

class OffscreenApplication {
public:
    explicit OffscreenApplication(bool quiet);
    ~OffscreenApplication();

private:
    int argc_ = 1;
    char name_[16] = "tonalith-cli";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

} // namespace cli
