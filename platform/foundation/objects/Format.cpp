#include "foundation/objects/Format.h"

#include "foundation/objects/CLocale.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace foundation {

std::int64_t FormatArgument::asSigned() const noexcept
{
    switch (type_) {
    case Type::Signed: return signed_;
    case Type::Unsigned: return static_cast<std::int64_t>(unsigned_);
    case Type::Double: return static_cast<std::int64_t>(double_);
    default: return 0;
    }
}

std::uint64_t FormatArgument::asUnsigned() const noexcept
{
    return type_ == Type::Unsigned ? unsigned_ : static_cast<std::uint64_t>(asSigned());
}

double FormatArgument::asDouble() const noexcept
{
    switch (type_) {
    case Type::Double: return double_;
    case Type::Signed: return static_cast<double>(signed_);
    case Type::Unsigned: return static_cast<double>(unsigned_);
    default: return 0;
    }
}

namespace {

class Formatter {
public:
    Formatter(std::string_view format, std::initializer_list<FormatArgument> arguments)
        : format_(format), next_(arguments.begin()), end_(arguments.end())
    {
    }

    std::string run()
    {
        std::size_t position = 0;
        while (position < format_.size()) {
            std::size_t percent = format_.find('%', position);
            output_.append(format_.substr(position, percent - position));
            if (percent == std::string_view::npos)
                break;
            position = directive(percent + 1);
        }
        return std::move(output_);
    }

private:
    const FormatArgument* take() { return next_ == end_ ? nullptr : next_++; }

    // Handles one directive starting after its '%'; returns where to go on.
    std::size_t directive(std::size_t position)
    {
        std::string spec = "%";
        auto accept = [&](const char* set) {
            while (position < format_.size() && std::strchr(set, format_[position]))
                spec += format_[position++];
        };
        auto acceptNumberOrStar = [&] {
            if (position < format_.size() && format_[position] == '*') {
                const FormatArgument* argument = take();
                spec += std::to_string(argument ? argument->asSigned() : 0);
                ++position;
            } else {
                accept("0123456789");
            }
        };
        accept("-+ #0'");
        acceptNumberOrStar();
        if (position < format_.size() && format_[position] == '.') {
            spec += format_[position++];
            acceptNumberOrStar();
        }
        while (position < format_.size() && std::strchr("hlqLzjt", format_[position]))
            ++position;  // lengths are ours to choose: every argument is 64 bits wide
        if (position >= format_.size()) {
            output_ += spec;
            return position;
        }
        char conversion = format_[position++];
        convert(spec, conversion);
        return position;
    }

    void convert(std::string& spec, char conversion)
    {
        if (conversion == '%') {
            output_ += '%';
            return;
        }
        const FormatArgument* argument = take();
        if (!argument)
            return;
        switch (conversion) {
        case '@': {
            const Object* object = argument->object();
            std::string text = object ? object->description() : argument->text() ? argument->text() : "(null)";
            append(spec + "s", text.c_str());
            return;
        }
        case 's':
            append(spec + "s", argument->text() ? argument->text() : argument->object() ? "" : "(null)");
            return;
        case 'd': case 'i':
            append(spec + "lld", static_cast<long long>(argument->asSigned()));
            return;
        case 'u': case 'x': case 'X': case 'o':
            append(spec + "ll" + conversion, static_cast<unsigned long long>(argument->asUnsigned()));
            return;
        case 'c':
            append(spec + "c", static_cast<int>(argument->asSigned()));
            return;
        case 'p':
            append(spec + "p", argument->pointer());
            return;
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
            append(spec + conversion, argument->asDouble());
            return;
        default:
            output_ += spec + conversion;
        }
    }

    // Directives write as in the "C" locale (a decimal point, no grouping
    // for "'"), whatever locale the process runs under.
    template <typename T>
    void append(const std::string& spec, T value)
    {
        CLocaleScope inC;
        char small[128];
        int length = std::snprintf(small, sizeof small, spec.c_str(), value);
        if (length < 0)
            return;
        if (static_cast<std::size_t>(length) < sizeof small) {
            output_.append(small, static_cast<std::size_t>(length));
            return;
        }
        std::vector<char> large(static_cast<std::size_t>(length) + 1);
        std::snprintf(large.data(), large.size(), spec.c_str(), value);
        output_.append(large.data(), static_cast<std::size_t>(length));
    }

    std::string_view format_;
    const FormatArgument* next_;
    const FormatArgument* end_;
    std::string output_;
};

} // namespace

std::string formatString(std::string_view format, std::initializer_list<FormatArgument> arguments)
{
    return Formatter(format, arguments).run();
}

} // namespace foundation
