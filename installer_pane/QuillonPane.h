#pragma once

#include "installer/InstallerPane.h"

#include "appkit/TextField.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/system/Bundle.h"

namespace quillon {

// The installer pane that asks for the user's details: first name, last
// name, e-mail address, organization and country, above a text on how the
// details are used. Next stays disabled until every field is filled and the
// address is well formed; the first forward exit with a valid form logs the
// details and uploads them once, as JSON (sendInfo). Skip moves on without
// them. Everything runs on the installer's main thread; the upload's
// outcome never reaches the pane.
class QuillonPane final : public installer::InstallerPane {
public:
    static foundation::Ref<QuillonPane> init();
    // For hosts (and tests) that know the plug-in's bundle: its strings are
    // read from `bundle` instead of the bundle that holds this code.
    static foundation::Ref<QuillonPane> initWithBundle(foundation::Ref<foundation::Bundle> bundle);

    // The bundle's "PaneTitle"; the key itself when the bundle lacks it.
    foundation::Ref<foundation::String> title() const override;
    // Fills the data-usage field from the bundle's "DataUsage" HTML, all in
    // the 13-point system font.
    void awakeFromNib();
    void didEnterPane(installer::InstallerSectionDirection direction) override;
    // Backward: true. Forward with an invalid form: the "Invalid Data" sheet
    // and false. Forward otherwise: true, after logging and uploading the
    // details the first time.
    bool shouldExitPane(installer::InstallerSectionDirection direction) override;
    // Starts the upload of the user-info dictionary and returns at once.
    void sendInfo(const foundation::Dictionary& userInfo);
    void controlTextDidChange(foundation::Object* notification);
    void skipForm(foundation::Object* sender);

    // The fields, held weakly: the view hierarchy owns them. A strong
    // reference for as long as the caller uses one (null once it is gone).

    foundation::Ref<appkit::TextField> firstNameTextField() const { return firstNameTextField_.get(); }
    void setFirstNameTextField(appkit::TextField* field) { firstNameTextField_ = field; }
    foundation::Ref<appkit::TextField> lastNameTextField() const { return lastNameTextField_.get(); }
    void setLastNameTextField(appkit::TextField* field) { lastNameTextField_ = field; }
    foundation::Ref<appkit::TextField> emailTextField() const { return emailTextField_.get(); }
    void setEmailTextField(appkit::TextField* field) { emailTextField_ = field; }
    foundation::Ref<appkit::TextField> organizationTextField() const { return organizationTextField_.get(); }
    void setOrganizationTextField(appkit::TextField* field) { organizationTextField_ = field; }
    foundation::Ref<appkit::TextField> countryTextField() const { return countryTextField_.get(); }
    void setCountryTextField(appkit::TextField* field) { countryTextField_ = field; }
    foundation::Ref<appkit::TextField> dataUsage() const { return dataUsage_.get(); }
    void setDataUsage(appkit::TextField* field) { dataUsage_ = field; }

    const char* className() const override { return "QuillonPane"; }
    const foundation::OperationTable& operations() const override;

private:
    explicit QuillonPane(foundation::Ref<foundation::Bundle> bundle) : bundle_(std::move(bundle)) {}

    bool _entriesAreValid() const;
    bool _validateEmail(const foundation::String& text) const;
    void _updateNextButtonState();
    foundation::Ref<foundation::MutableDictionary> userInfo() const;
    foundation::Ref<foundation::Bundle> pluginBundle() const;

    bool infoSent_ = false;
    // Outlets: the UI description owns the views.
    foundation::WeakRef<appkit::TextField> firstNameTextField_;
    foundation::WeakRef<appkit::TextField> lastNameTextField_;
    foundation::WeakRef<appkit::TextField> emailTextField_;
    foundation::WeakRef<appkit::TextField> organizationTextField_;
    foundation::WeakRef<appkit::TextField> countryTextField_;
    foundation::WeakRef<appkit::TextField> dataUsage_;
    foundation::Ref<foundation::Bundle> bundle_;
};

} // namespace quillon
