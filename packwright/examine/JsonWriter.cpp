#include "packwright/examine/JsonWriter.h"

#include "packwright/text/TextRendering.h"

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firstInScope_.empty()) return;
    if (!firstInScope_.back()) out_ += ",";
    firstInScope_.back() = false;
    NewLine();
}

void JsonWriter::NewLine() {
    out_ += '\n';
    out_.append(2 * firstInScope_.size(), ' ');
}

void JsonWriter::Put(const std::string& literal) {
    BeforeValue();
    out_ += literal;
}

JsonWriter& JsonWriter::BeginObject() {
    Put("{");
    firstInScope_.push_back(true);
    closers_.push_back('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Put("[");
    firstInScope_.push_back(true);
    closers_.push_back(']');
    return *this;
}

JsonWriter& JsonWriter::End() {
    bool empty = firstInScope_.back();
    firstInScope_.pop_back();
    if (!empty) NewLine();
    out_ += closers_.back();
    closers_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    out_ += JsonUtf8(name) + ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::Text(std::string_view windows1252) {
    Put(JsonString(windows1252));
    return *this;
}

JsonWriter& JsonWriter::Utf8(std::string_view utf8) {
    Put(JsonUtf8(utf8));
    return *this;
}

JsonWriter& JsonWriter::Number(u64 value) {
    Put(std::to_string(value));
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    Put(value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::Null() {
    Put("null");
    return *this;
}

std::string JsonWriter::Finish() { return out_ + "\n"; }
