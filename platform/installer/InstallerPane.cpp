#include "installer/InstallerPane.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

namespace installer {

using foundation::Object;
using foundation::Ref;

Ref<InstallerPane> InstallerPane::create()
{
    return Ref<InstallerPane>::adopt(new InstallerPane);
}

Ref<foundation::String> InstallerPane::title() const
{
    return Ref(foundation::String::empty());
}

void InstallerPane::didEnterPane(InstallerSectionDirection)
{
}

bool InstallerPane::shouldExitPane(InstallerSectionDirection)
{
    return true;
}

void InstallerPane::setNextEnabled(bool enabled)
{
    nextEnabled_ = enabled;
    if (host_)
        host_->paneDidSetNextEnabled(*this, enabled);
}

void InstallerPane::gotoNextPane()
{
    if (host_)
        host_->paneRequestsNextPane(*this);
}

const foundation::OperationTable& InstallerPane::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"contentView", [](Object& self, Object*) -> Ref<Object> {
            return Ref<Object>(static_cast<InstallerPane&>(self).contentView());
        }},
        {"setContentView:", [](Object& self, Object* argument) -> Ref<Object> {
            auto* view = dynamic_cast<appkit::View*>(argument);
            if (argument && !view) {
                foundation::raise(foundation::ExceptionName::InvalidArgument,
                                  foundation::format("-[%s setContentView:]: argument %@ is not a view", self.className(), argument));
            }
            static_cast<InstallerPane&>(self).setContentView(Ref<appkit::View>(view));
            return nullptr;
        }},
    });
    return table;
}

} // namespace installer
