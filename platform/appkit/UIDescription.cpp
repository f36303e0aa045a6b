#include "appkit/UIDescription.h"

#include "appkit/Application.h"
#include "appkit/ClassRegistry.h"
#include "appkit/Quoted.h"
#include "appkit/Window.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/String.h"
#include "foundation/system/FileIO.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <limits>

namespace appkit {

using foundation::Object;
using foundation::Ref;
using Json = nlohmann::ordered_json;

namespace {

enum ErrorCode : long { UnreadableFile = 1, InvalidJSON = 2, InvalidDescription = 3 };

// Leaves the loader through its one exit, which turns it into an Error.
struct LoadFailure {
    ErrorCode code;
    std::string message;
};

[[noreturn]] void fail(std::string message, ErrorCode code = InvalidDescription)
{
    throw LoadFailure{code, std::move(message)};
}

std::string readFile(const std::string& path)
{
    std::string text;
    if (int result = foundation::readFile(path, text))
        fail(std::string("cannot read the file: ") + std::strerror(result), UnreadableFile);
    return text;
}

Json parse(const std::string& text)
{
    try {
        return Json::parse(text);
    } catch (const Json::exception& error) {
        // Not only syntax errors: a number too large for a double (1e400)
        // is an out_of_range error of the same parse.
        // nlohmann's text reads "[json.exception.parse_error.101] parse error at line 3, column 5: …".
        std::string_view detail = error.what();
        if (auto end = detail.find("] "); end != std::string_view::npos)
            detail.remove_prefix(end + 2);
        fail("not valid JSON: " + std::string(detail), InvalidJSON);
    }
}

Coder::Value attributeValue(const Json& value, const std::string& name, const std::string& key)
{
    switch (value.type()) {
    case Json::value_t::boolean:
        return value.get<bool>();
    case Json::value_t::number_integer:
        return value.get<std::int64_t>();
    case Json::value_t::number_unsigned:
        if (value.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return value.get<std::int64_t>();
        return value.get<double>();
    case Json::value_t::number_float:
        return value.get<double>();
    case Json::value_t::string:
        return value.get<std::string>();
    default:
        fail(name + ": attribute " + inQuotes(key) + " must be a string, a number, true or false");
    }
}

bool isStructuralKey(std::string_view key)
{
    return key == "class" || key == "id" || key == "contentView" || key == "subviews";
}

std::string setterName(std::string_view property)
{
    std::string name = "set" + std::string(property) + ":";
    if (name[3] >= 'a' && name[3] <= 'z')
        name[3] = static_cast<char>(name[3] - 'a' + 'A');
    return name;
}

// Runs a by-name operation of the application's objects; a raised
// programmer error (a wrong kind of object, say) becomes a load failure.
Ref<Object> send(Object& receiver, std::string_view operation, Object* argument, const std::string& context)
{
    try {
        return receiver.perform(operation, argument);
    } catch (const foundation::Exception& exception) {
        fail(context + ": " + exception.reason());
    }
}

} // namespace

class UIDescriptionLoader {
public:
    explicit UIDescriptionLoader(Object* owner)
        : description_(Ref<UIDescription>::adopt(new UIDescription))
    {
        objects_.emplace("application", &Application::shared());
        objects_.emplace("owner", owner);
    }

    Ref<UIDescription> load(const Json& document)
    {
        if (!document.is_object())
            fail("the top level must be a JSON object");
        for (const auto& [key, value] : document.items()) {
            if (key != "objects" && key != "outlets" && key != "actions")
                fail("unknown top-level key " + inQuotes(key) + " (expected \"objects\", \"outlets\" and \"actions\")");
        }
        const Json* objects = find(document, "objects");
        if (!objects || !objects->is_array())
            fail("\"objects\" must be an array of objects");
        for (std::size_t index = 0; index < objects->size(); ++index)
            description_->topLevelObjects_.push_back(make((*objects)[index], "objects[" + std::to_string(index) + "]"));
        if (const Json* outlets = find(document, "outlets"))
            connectOutlets(*outlets);
        if (const Json* actions = find(document, "actions"))
            connectActions(*actions);
        awake();
        showWindowsVisibleAtLaunch();
        for (const auto& [identifier, object] : objects_) {
            if (object)
                description_->objects_.emplace(identifier, object.get());
        }
        return std::move(description_);
    }

private:
    static const Json* find(const Json& object, std::string_view key)
    {
        auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    }

    std::string identifierOf(const Json& entry, const std::string& where)
    {
        const Json* identifier = find(entry, "id");
        if (!identifier)
            return {};
        if (!identifier->is_string() || identifier->get_ref<const std::string&>().empty())
            fail(where + ": \"id\" must be a non-empty string");
        const auto& text = identifier->get_ref<const std::string&>();
        if (text.find('.') != std::string::npos)
            fail(where + ": the id " + inQuotes(text) + " must not contain a dot");
        if (objects_.contains(text))
            fail(where + ": the id " + inQuotes(text) + " is already taken");
        return text;
    }

    Ref<Object> make(const Json& entry, const std::string& where)
    {
        if (!entry.is_object())
            fail(where + ": an object must be a JSON object");
        const Json* className = find(entry, "class");
        if (!className || !className->is_string())
            fail(where + ": \"class\" must name a class");
        const auto& classText = className->get_ref<const std::string&>();
        std::string identifier = identifierOf(entry, where);
        std::string name = (identifier.empty() ? "object at " + where : "object " + inQuotes(identifier)) + " (" + classText + ")";

        auto maker = ClassRegistry::makerForClass(classText);
        if (!maker)
            fail(name + ": unknown class " + inQuotes(classText));
        std::vector<Coder::Attribute> attributes;
        for (const auto& [key, value] : entry.items()) {
            if (!isStructuralKey(key))
                attributes.emplace_back(key, attributeValue(value, name, key));
        }
        Coder coder(name, std::move(attributes));
        Ref<Object> object;
        try {
            object = maker(coder);
        } catch (const foundation::Exception& exception) {
            fail(name + ": " + exception.reason());
        }
        if (coder.hasFailed())
            fail(coder.failure());
        if (!object)
            fail(name + ": its class made no object of these attributes");
        if (auto unread = coder.unreadKeys(); !unread.empty())
            fail(name + ": unknown attribute " + inQuotes(unread.front()));

        if (!identifier.empty())
            objects_.emplace(identifier, object);
        made_.push_back(object);
        if (const Json* contentView = find(entry, "contentView"))
            attach(*object, "setContentView:", make(*contentView, where + ".contentView"), name, "its class has no content view");
        if (const Json* subviews = find(entry, "subviews")) {
            if (!subviews->is_array())
                fail(name + ": \"subviews\" must be an array of objects");
            for (std::size_t index = 0; index < subviews->size(); ++index) {
                auto subview = make((*subviews)[index], where + ".subviews[" + std::to_string(index) + "]");
                attach(*object, "addSubview:", subview, name, "its class has no subviews");
            }
        }
        return object;
    }

    static void attach(Object& parent, std::string_view operation, const Ref<Object>& child, const std::string& name,
                       const char* refusal)
    {
        if (!parent.respondsToSelector(operation))
            fail(name + ": " + refusal);
        send(parent, operation, child.get(), name);
    }

    Object& objectNamed(std::string_view identifier, const std::string& context)
    {
        auto found = objects_.find(identifier);
        if (found == objects_.end() || !found->second)
            fail(context + ": no object has the id " + inQuotes(identifier));
        return *found->second;
    }

    // "<id>.<rest>" split at its first dot; both parts non-empty.
    static std::pair<std::string_view, std::string_view> split(std::string_view text, const std::string& context,
                                                               const char* shape)
    {
        auto dot = text.find('.');
        if (dot == std::string_view::npos || dot == 0 || dot + 1 == text.size())
            fail(context + ": must read " + shape);
        return {text.substr(0, dot), text.substr(dot + 1)};
    }

    void connectOutlets(const Json& outlets)
    {
        if (!outlets.is_object())
            fail("\"outlets\" must map \"<id>.<property>\" to an id");
        for (const auto& [key, value] : outlets.items()) {
            std::string context = "outlet " + inQuotes(key);
            auto [sourceName, property] = split(key, context, "\"<id>.<property>\"");
            if (!value.is_string())
                fail(context + ": the value must be the id of the connected object");
            Object& source = objectNamed(sourceName, context);
            Object& destination = objectNamed(value.get_ref<const std::string&>(), context);
            std::string setter = setterName(property);
            if (!source.respondsToSelector(setter))
                fail(context + ": " + source.className() + " " + inQuotes(sourceName) + " does not answer " + inQuotes(setter));
            send(source, setter, &destination, context);
        }
    }

    void connectActions(const Json& actions)
    {
        if (!actions.is_object())
            fail("\"actions\" must map a sender's id to \"<id>.<action>\"");
        for (const auto& [key, value] : actions.items()) {
            std::string context = "action of " + inQuotes(key);
            if (!value.is_string())
                fail(context + ": the value must read \"<id>.<action>\"");
            auto [targetName, action] = split(value.get_ref<const std::string&>(), context, "\"<id>.<action>\"");
            Object& sender = objectNamed(key, context);
            Object& target = objectNamed(targetName, context);
            if (!sender.respondsToSelector("setTarget:") || !sender.respondsToSelector("setAction:"))
                fail(context + ": " + sender.className() + " sends no actions");
            if (!target.respondsToSelector(action))
                fail(context + ": " + target.className() + " " + inQuotes(targetName) + " does not answer " + inQuotes(action));
            send(sender, "setTarget:", &target, context);
            send(sender, "setAction:", foundation::str(action).get(), context);
        }
    }

    void awake()
    {
        std::vector<Ref<Object>> objects = made_;
        if (Object* owner = objects_["owner"].get())
            objects.emplace_back(owner);
        for (auto& object : objects) {
            if (object->respondsToSelector("awakeFromNib"))
                send(*object, "awakeFromNib", nullptr, std::string("awakeFromNib of ") + object->className());
        }
    }

    void showWindowsVisibleAtLaunch()
    {
        for (auto& object : made_) {
            auto* window = dynamic_cast<Window*>(object.get());
            if (window && window->isVisibleAtLaunch())
                window->makeKeyAndOrderFront(nullptr);
        }
    }

    Ref<UIDescription> description_;
    std::map<std::string, Ref<Object>, std::less<>> objects_;
    std::vector<Ref<Object>> made_;  // in the order they were made
};

Ref<UIDescription> UIDescription::load(const std::string& path, Ref<foundation::Error>& error, Object* owner)
{
    try {
        return UIDescriptionLoader(owner).load(parse(readFile(path)));
    } catch (const LoadFailure& failure) {
        error = foundation::Error::withDescription(UIDescriptionErrorDomain, failure.code, path + ": " + failure.message);
        return nullptr;
    }
}

Ref<Object> UIDescription::objectWithIdentifier(std::string_view identifier) const
{
    auto found = objects_.find(identifier);
    return found == objects_.end() ? nullptr : found->second.get();
}

} // namespace appkit
