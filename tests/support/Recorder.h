#pragma once

#include "foundation/objects/Object.h"
#include "foundation/objects/String.h"

#include <string>
#include <vector>

// An application object as a UI description sees it: two weak outlets and
// actions, all by name, each action recorded with its argument.
class Recorder final : public foundation::Object {
public:
    struct Message {
        std::string name;
        foundation::Ref<foundation::Object> argument;
    };

    static foundation::Ref<Recorder> create() { return foundation::Ref<Recorder>::adopt(new Recorder); }

    foundation::WeakRef<foundation::Object> window;
    foundation::WeakRef<foundation::Object> label;
    std::vector<Message> messages;

    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto& message : messages)
            result.push_back(message.name);
        return result;
    }

    const char* className() const override { return "Recorder"; }
    const foundation::OperationTable& operations() const override
    {
        using foundation::Object;
        using foundation::Ref;
        static const foundation::OperationTable table(&Object::operations(), {
            {"setWindow:", [](Object& self, Object* value) -> Ref<Object> {
                static_cast<Recorder&>(self).window = value;
                return nullptr;
            }},
            {"setVersionLabel:", [](Object& self, Object* value) -> Ref<Object> {
                static_cast<Recorder&>(self).label = value;
                return nullptr;
            }},
            {"downloadButtonTapped:", &record<0>},
            {"remindLaterTapped:", &record<1>},
            {"awakeFromNib", &record<2>},
        });
        return table;
    }

private:
    static constexpr const char* recordedNames[] = {"downloadButtonTapped:", "remindLaterTapped:", "awakeFromNib"};
    template <int index>
    static foundation::Ref<foundation::Object> record(foundation::Object& self, foundation::Object* argument)
    {
        static_cast<Recorder&>(self).messages.push_back({recordedNames[index], foundation::Ref(argument)});
        return nullptr;
    }

    Recorder() = default;
};
