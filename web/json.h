// A small JSON writer for the page's readers (web/bridge.cpp, web/model.cpp):
// it places the commas and closes what it opened, so that no reader does
// either by hand.
#pragma once

#include <cstdio>
#include <string>

class Json {
public:
    // Starts again with nothing written.
    void clear()
    {
        text_.clear();
        open_.clear();
        first_ = true;
    }

    // Opens an object ('{') or an array ('[') as the next value; close() ends it.
    Json& open(char bracket)
    {
        separate();
        text_ += bracket;
        open_ += bracket == '{' ? '}' : ']';
        first_ = true;
        return *this;
    }

    // Closes the object or array opened last.
    Json& close()
    {
        text_ += open_.back();
        open_.pop_back();
        first_ = false;
        return *this;
    }

    // In an object: the name of the value written next.
    Json& key(const char* name)
    {
        string(name);
        text_ += ':';
        first_ = true;
        return *this;
    }

    // A float or double with 9 significant digits: enough to read back the
    // very same float, so that a picture can be redrawn from exactly this state.
    Json& number(double value)
    {
        char digits[32]; // "%.9g" of a double takes at most 16
        std::snprintf(digits, sizeof digits, "%.9g", value);
        separate();
        text_ += digits;
        return *this;
    }

    Json& integer(long value)
    {
        separate();
        text_ += std::to_string(value);
        return *this;
    }

    Json& boolean(bool value)
    {
        separate();
        text_ += value ? "true" : "false";
        return *this;
    }

    Json& null()
    {
        separate();
        text_ += "null";
        return *this;
    }

    // text as a JSON string: the program's names hold nothing that needs an escape.
    Json& string(const char* text)
    {
        separate();
        text_ += '"';
        text_ += text;
        text_ += '"';
        return *this;
    }

    // What has been written, valid until the next write.
    const char* text() const
    {
        return text_.c_str();
    }

private:
    // A comma before every value of an array or object but its first; none
    // after a key.
    void separate()
    {
        if (!first_)
            text_ += ',';
        first_ = false;
    }

    std::string text_;
    std::string open_;  // the closing brackets of what is open, innermost last
    bool first_ = true; // the next value is the first of its array or object, or a key's
};
