// Builds the JSON documents of `list --json` and `verify --json` (see docs/json.md): members
// and elements one per line, indented by depth, commas and nesting kept right.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "state/Types.h"

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& BeginArray();
    JsonWriter& End();
    // The name of the next member of the open object.
    JsonWriter& Key(std::string_view name);
    JsonWriter& Text(std::string_view windows1252);  // Package text, decoded
    JsonWriter& Utf8(std::string_view utf8);         // text of this machine
    JsonWriter& Number(u64 value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // The finished document with a closing line feed.
    std::string Finish();

private:
    void BeforeValue();
    // A line break and the indent of the current depth.
    void NewLine();
    void Put(const std::string& literal);

    std::string out_;
    std::vector<bool> firstInScope_;  // per open object or array: nothing in it yet
    std::string closers_;             // per open object or array: '}' or ']' 
    bool afterKey_ = false;
};
