#pragma once

#include "foundation/objects/Object.h"

#include <string>
#include <vector>

namespace appkit {

// The one application object of the process: its delegate (weak; the UI
// description keeps it alive) and the process's arguments. Touched on the
// main thread only.
class Application final : public foundation::Object {
public:
    static Application& shared();

    foundation::Ref<foundation::Object> delegate() const { return delegate_.get(); }
    void setDelegate(foundation::Object* delegate) { delegate_ = delegate; }

    // The process's arguments as main received them.
    const std::vector<std::string>& arguments() const noexcept { return arguments_; }
    void setArguments(int argc, const char* const* argv);

    const char* className() const override { return "NSApplication"; }
    const foundation::OperationTable& operations() const override;

private:
    Application() { makeImmortal(); }

    foundation::WeakRef<foundation::Object> delegate_;
    std::vector<std::string> arguments_;
};

} // namespace appkit
