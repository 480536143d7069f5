#pragma once

#include <stdexcept>

// Raised inside a composer command when the text view refuses a change the
// command needs (the length limit turned the trailing space of a paste
// down, say). The command's entry point catches it and logs it; the text
// stays as it was at that moment. It never crosses into the toolkit.
class TextChangeRefused : public std::runtime_error {
public:
    static constexpr const char *name = "replaceWithTemplate";
    static constexpr const char *reason = "Cannot change text in text view";

    TextChangeRefused()
        : std::runtime_error("replaceWithTemplate: Cannot change text in text view")
    {
    }
};
