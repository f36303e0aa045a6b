#include "installer_pane/QuillonPane.h"

#include "installer_pane/UserInfoDelegate.h"
#include "installer_pane/UserInfoServer.h"

#include "appkit/Alert.h"
#include "appkit/Font.h"
#include "appkit/MutableAttributedString.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/PercentEscaping.h"
#include "foundation/objects/URL.h"
#include "foundation/predicate/Predicate.h"
#include "foundation/system/Log.h"
#include "foundation/url/URLCredentialStorage.h"
#include "json/JotterSerializing.h"

#include <cstdlib>
#include <ctime>

namespace quillon {

using foundation::Object;
using foundation::Ref;
using foundation::String;

namespace {

// Where this code was loaded from: the plug-in's bundle.
void markerInThisLibrary() {}

std::size_t lengthOf(const Ref<appkit::TextField>& field)
{
    return field ? field->stringValue().length() : 0;
}

Ref<String> textOf(const Ref<appkit::TextField>& field)
{
    return field ? Ref<String>(&field->stringValue()) : Ref<String>(String::empty());
}

} // namespace

Ref<QuillonPane> QuillonPane::init()
{
    return initWithBundle(nullptr);
}

Ref<QuillonPane> QuillonPane::initWithBundle(Ref<foundation::Bundle> bundle)
{
    return Ref<QuillonPane>::adopt(new QuillonPane(std::move(bundle)));
}

Ref<foundation::Bundle> QuillonPane::pluginBundle() const
{
    if (bundle_)
        return bundle_;
    return foundation::Bundle::bundleForAddress(reinterpret_cast<const void*>(&markerInThisLibrary));
}

bool QuillonPane::_entriesAreValid() const
{
    if (lengthOf(firstNameTextField()) == 0)
        return false;
    if (lengthOf(lastNameTextField()) == 0)
        return false;
    if (lengthOf(organizationTextField()) == 0)
        return false;
    if (!_validateEmail(*textOf(emailTextField())))
        return false;
    return lengthOf(countryTextField()) > 0;
}

bool QuillonPane::_validateEmail(const String& text) const
{
    static const Ref<foundation::Predicate> email =
        foundation::Predicate::selfMatches("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}");
    return email->evaluateWithObject(&text);
}

void QuillonPane::_updateNextButtonState()
{
    setNextEnabled(_entriesAreValid());
}

Ref<String> QuillonPane::title() const
{
    Ref<foundation::Bundle> bundle = pluginBundle();
    return bundle ? bundle->localizedStringForKey("PaneTitle", "", "") : foundation::str("PaneTitle");
}

void QuillonPane::awakeFromNib()
{
    Ref<foundation::Bundle> bundle = pluginBundle();
    Ref<String> html = bundle ? bundle->localizedStringForKey("DataUsage", "unknown", "") : foundation::str("unknown");
    Ref<appkit::MutableAttributedString> text =
        appkit::MutableAttributedString::initWithHTML(*foundation::Data::create(html->utf8()));
    text->addAttribute(appkit::FontAttributeName, appkit::Font::systemFontOfSize(13), {0, text->length()});
    if (Ref<appkit::TextField> field = dataUsage())
        field->setAttributedStringValue(text);
}

void QuillonPane::didEnterPane(installer::InstallerSectionDirection)
{
    _updateNextButtonState();
}

Ref<foundation::MutableDictionary> QuillonPane::userInfo() const
{
    Ref<foundation::Bundle> bundle = pluginBundle();
    Ref<foundation::MutableDictionary> info = foundation::MutableDictionary::create();
    info->setObject(textOf(firstNameTextField()).get(), "firstName");
    info->setObject(textOf(lastNameTextField()).get(), "lastName");
    info->setObject(textOf(emailTextField()).get(), "email");
    info->setObject(textOf(organizationTextField()).get(), "organization");
    info->setObject(textOf(countryTextField()).get(), "country");
    info->setObject((bundle ? bundle->localizedStringForKey("OtpVsn", "unknown", "") : foundation::str("unknown")).get(), "otpVsn");
    info->setObject(foundation::str(foundation::Date::now()->description()).get(), "created");
    return info;
}

bool QuillonPane::shouldExitPane(installer::InstallerSectionDirection direction)
{
    if (direction != installer::InstallerDirectionForward)
        return true;
    if (!_entriesAreValid()) {
        Ref<appkit::TextField> field = firstNameTextField();
        appkit::Window* window = field ? field->window() : nullptr;
        if (window) {
            Ref<appkit::Alert> alert = appkit::Alert::alertWithMessageText(foundation::str("Invalid Data"), foundation::str("OK"),
                                                                           nullptr, nullptr, foundation::str(""));
            alert->setAlertStyle(appkit::Alert::Style::Informational);
            alert->beginSheetModalForWindow(*window, this);
        }
        return false;
    }
    if (infoSent_)
        return true;
    Ref<foundation::MutableDictionary> info = userInfo();
    foundation::logFormat("userInfo %@", info.get());
    sendInfo(*info);
    return true;
}

void QuillonPane::sendInfo(const foundation::Dictionary& userInfo)
{
    ::srandom(static_cast<unsigned>(std::time(nullptr)));
    long draw = ::random() % 50;
    long now = static_cast<long>(std::time(nullptr));
    std::string documentId = foundation::format("%@_%@_%ld_%ld", userInfo.objectForKey("firstName"),
                                                userInfo.objectForKey("lastName"), draw, now);
    Ref<String> json = jotter::JSONString(userInfo);

    std::string address = "https://" + std::string(UserInfoServer::host()) + ":" + std::to_string(UserInfoServer::port)
        + "/userinfo/" + documentId;
    Ref<foundation::URL> url = foundation::URL::create(foundation::percentEscaped(address));

    Ref<foundation::URLCredential> credential = foundation::URLCredential::credentialWithUser(
        UserInfoServer::user, UserInfoServer::password(), foundation::URLCredentialPersistence::ForSession);
    Ref<foundation::URLProtectionSpace> space = foundation::URLProtectionSpace::create(
        UserInfoServer::host(), 0, foundation::URLProtectionSpaceProtocol::HTTPS, std::nullopt, "");
    foundation::URLCredentialStorage::sharedCredentialStorage().setDefaultCredential(credential, space);

    Ref<foundation::MutableURLRequest> request = foundation::MutableURLRequest::create(url);
    request->setHTTPMethod("PUT");
    request->addValue("application/json", "Content-Type");
    request->setHTTPBody(foundation::Data::create(json ? json->utf8() : std::string_view()));
    request->addValue(foundation::format("Basic %@", foundation::str(UserInfoServer::basicToken()).get()), "Authorization");

    foundation::URLConnection::connectionWithRequest(request, UserInfoDelegate::create());
    infoSent_ = true;
}

void QuillonPane::controlTextDidChange(Object*)
{
    _updateNextButtonState();
}

void QuillonPane::skipForm(Object*)
{
    gotoNextPane();
}

namespace {

QuillonPane& pane(Object& object) { return static_cast<QuillonPane&>(object); }

appkit::TextField* fieldArgument(Object& self, std::string_view operation, Object* argument)
{
    auto* field = dynamic_cast<appkit::TextField*>(argument);
    if (argument && !field) {
        foundation::raise(foundation::ExceptionName::InvalidArgument,
                          foundation::format("-[%s %s]: argument %@ is not a text field", self.className(),
                                             std::string(operation), argument));
    }
    return field;
}

} // namespace

const foundation::OperationTable& QuillonPane::operations() const
{
#define QUILLON_OUTLET(getter, setter)                                                   \
    {#getter, [](Object& self, Object*) -> Ref<Object> {                                 \
         return Ref<Object>(pane(self).getter());                                        \
     }},                                                                                 \
    {#setter ":", [](Object& self, Object* argument) -> Ref<Object> {                    \
         pane(self).setter(fieldArgument(self, #setter ":", argument));                  \
         return nullptr;                                                                 \
     }}
    static const foundation::OperationTable table(&InstallerPane::operations(), {
        QUILLON_OUTLET(firstNameTextField, setFirstNameTextField),
        QUILLON_OUTLET(lastNameTextField, setLastNameTextField),
        QUILLON_OUTLET(emailTextField, setEmailTextField),
        QUILLON_OUTLET(organizationTextField, setOrganizationTextField),
        QUILLON_OUTLET(countryTextField, setCountryTextField),
        QUILLON_OUTLET(dataUsage, setDataUsage),
        {"awakeFromNib", [](Object& self, Object*) -> Ref<Object> {
            pane(self).awakeFromNib();
            return nullptr;
        }},
        {"controlTextDidChange:", [](Object& self, Object* notification) -> Ref<Object> {
            pane(self).controlTextDidChange(notification);
            return nullptr;
        }},
        {"skipForm:", [](Object& self, Object* sender) -> Ref<Object> {
            pane(self).skipForm(sender);
            return nullptr;
        }},
    });
#undef QUILLON_OUTLET
    return table;
}

} // namespace quillon
