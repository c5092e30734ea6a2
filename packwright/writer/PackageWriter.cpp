#include "packwright/writer/PackageWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "package/FileRecord.h"
#include "package/ShortcutLine.h"
#include "package/SizeTable.h"
#include "packwright/text/TextRendering.h"
#include "packwright/writer/PackageLimits.h"
#include "packwright/writer/WriterError.h"

namespace {
constexpr std::size_t LargestPayload = DecodeCapacity - 5;  // what the decoder's stages leave room for

void AppendU32(ByteVector& out, u32 v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<u8>(v >> (8 * i)));
}

void AppendCountedString(ByteVector& out, const std::string& text) {
    out.push_back(static_cast<u8>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

void AppendCString(ByteVector& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// Encodes one block and checks that the result fits the record's u16 length.
ByteVector EncodeCheckedBlock(const ByteVector& data, const std::string& what) {
    ByteVector record = EncodeDataBlock(data.data(), data.size());
    std::size_t stored = record.size() - 10;
    if (stored > StoredBlockLimit)
        throw WriterError(what + " encodes to " + std::to_string(stored) +
                          " stored bytes; a block can hold at most 65535");
    return record;
}

}  // namespace

ByteVector InstallHeaderPayload(const InstallHeaderFields& header, const std::vector<u64>& fileSizes) {
    const std::pair<const std::string*, const char*> strings[] = {
        {&header.ProductTitle, "the product title"},     {&header.FooterText, "the footer text"},
        {&header.UninstallName, "the uninstall name"},    {&header.ProgramDir, "the program directory"},
        {&header.ShortcutFolder, "the shortcut folder"},
    };
    ByteVector payload;
    for (const auto& [text, what] : strings) {
        // The companion programs carry the first three as CountedStrings, and the others end
        // up in 256-byte path buffers: longer text would be cut on the user's machine.
        CheckCountedString(*text, what);
        CheckNoNul(*text, what);
        AppendCString(payload, *text);
    }
    AppendU32(payload, header.PasswordChecksum);
    SizeTotals totals;
    for (u64 size : fileSizes) totals.AddFile(size);
    if (!totals.Fits()) throw WriterError("the files are too large in total for the header's size table");
    for (u64 clusters : totals.clusters) AppendU32(payload, static_cast<u32>(clusters));
    AppendU32(payload, static_cast<u32>(totals.blocks));
    // An empty licence cannot be told from none: both are the single 0 byte.
    if (header.LicenceText && !header.LicenceText->empty()) {
        CheckNoNul(*header.LicenceText, "the licence text");
        AppendCString(payload, *header.LicenceText);
    } else {
        payload.push_back(0);
    }
    if (payload.size() > LargestPayload)
        throw WriterError("the install header is " + std::to_string(payload.size()) +
                          " bytes; it must fit one block of " + std::to_string(LargestPayload) +
                          " (shorten the licence text)");
    return payload;
}

InstallStreamWriter::InstallStreamWriter(ByteSink& sink, WriterOptions options)
    : sink_(sink), options_(std::move(options)) {
    if (options_.threads == 0) options_.threads = 1;
    if (options_.threads > 1) pool_ = std::make_unique<WorkerPool>(options_.threads);
}

InstallStreamWriter::~InstallStreamWriter() {
    // Unwinding after an error: let running encodings finish, discard their results.
    for (Pending& p : pending_)
        if (p.isBlock && p.encoding.valid()) p.encoding.wait();
}

void InstallStreamWriter::Expect(Stage stage, const char* call) const {
    if (stage_ != stage) throw WriterError(std::string("internal: ") + call + " called out of order");
}

void InstallStreamWriter::Emit(ByteVector bytes) {
    if (pending_.empty()) {
        sink_.Write(bytes);
        return;
    }
    Pending p;
    p.ready = std::move(bytes);
    pending_.push_back(std::move(p));
}

// Writes queued items in stream order until at most `keep` encodings are outstanding.
void InstallStreamWriter::Drain(std::size_t keep) {
    while (!pending_.empty() && (pendingBlocks_ > keep || !pending_.front().isBlock)) {
        Pending& front = pending_.front();
        if (front.isBlock) {
            ByteVector record = front.encoding.get();
            pending_.pop_front();
            --pendingBlocks_;
            sink_.Write(record);
            ++blocksDone_;
            if (options_.progress) options_.progress(blocksDone_, totalBlocks_);
        } else {
            sink_.Write(front.ready);
            pending_.pop_front();
        }
    }
}

void InstallStreamWriter::EncodeChunk() {
    std::string what = DescribeFile(fileIndex_, fileName_) + " block " + std::to_string(fileBlock_ + 1);
    ++fileBlock_;
    if (options_.threads <= 1) {
        sink_.Write(EncodeCheckedBlock(chunk_, what));
        chunk_.clear();
        ++blocksDone_;
        if (options_.progress) options_.progress(blocksDone_, totalBlocks_);
        return;
    }
    Pending p;
    p.isBlock = true;
    p.encoding = pool_->Submit([data = std::move(chunk_), what] { return EncodeCheckedBlock(data, what); });
    chunk_.clear();
    chunk_.reserve(BuiltBlockSize);
    pending_.push_back(std::move(p));
    ++pendingBlocks_;
    // Blocks queued beyond the running ones keep every thread busy while this one reads the
    // next block's bytes and writes finished ones.
    Drain(QueuedBlocksPerThread * options_.threads);
}

void InstallStreamWriter::WriteHeader(const InstallHeaderFields& header, const std::vector<u64>& fileSizes) {
    Expect(Stage::Header, "WriteHeader");
    ByteVector payload = InstallHeaderPayload(header, fileSizes);
    ByteVector stream = {0};  // RunMode 0: install
    ByteVector block = EncodeCheckedBlock(payload, "the install header");
    stream.insert(stream.end(), block.begin(), block.end());
    sink_.Write(stream);
    sizes_ = fileSizes;
    for (u64 size : fileSizes) totalBlocks_ += BlocksForSize(size);
    stage_ = Stage::Files;
}

void InstallStreamWriter::BeginFile(const FileRecordFields& record, u64 size) {
    Expect(Stage::Files, "BeginFile");
    std::string label = DescribeFile(fileIndex_, record.name);
    if (fileIndex_ >= sizes_.size())
        throw WriterError(label + " was not among the files the header was made for");
    if (size != sizes_[fileIndex_])
        throw WriterError(label + " is " + std::to_string(size) + " bytes but the header was made for " +
                          std::to_string(sizes_[fileIndex_]));
    if (record.name.empty()) throw WriterError(label + " has an empty name, which would end the file section");
    CheckCountedString(record.name, "the file name");
    CheckNoNul(record.name, "the file name");
    u64 blocks = BlocksForSize(size);
    if (blocks > BlockCountLimit)
        throw WriterError(label + " is " + std::to_string(size) + " bytes; a file can hold at most 65535 blocks of " +
                          std::to_string(BuiltBlockSize) + " bytes");

    FileRecord fixed;
    fixed.BlockCount = static_cast<u16>(blocks);
    for (int i = 0; i < 4; ++i) fixed.Version[i] = record.version[i];
    fixed.Time = record.time;
    fixed.Shared = record.shared;
    ByteVector fields;
    AppendCountedString(fields, record.name);
    fields.resize(fields.size() + FileRecordFixedSize);
    StoreFileRecord(fields.data() + fields.size() - FileRecordFixedSize, fixed);
    Emit(std::move(fields));

    fileName_ = record.name;
    fileSize_ = size;
    fileWritten_ = 0;
    fileBlock_ = 0;
    chunk_.clear();
    chunk_.reserve(BuiltBlockSize);
    stage_ = Stage::InFile;
}

void InstallStreamWriter::AddFileData(const u8* data, std::size_t length) {
    Expect(Stage::InFile, "AddFileData");
    if (length > fileSize_ - fileWritten_)
        throw WriterError(DescribeFile(fileIndex_, fileName_) + " grew beyond its announced " +
                          std::to_string(fileSize_) + " bytes while it was being packed");
    fileWritten_ += length;
    while (length > 0) {
        std::size_t take = std::min<std::size_t>(length, BuiltBlockSize - chunk_.size());
        chunk_.insert(chunk_.end(), data, data + take);
        data += take;
        length -= take;
        if (chunk_.size() == BuiltBlockSize) EncodeChunk();
    }
}

void InstallStreamWriter::EndFile() {
    Expect(Stage::InFile, "EndFile");
    if (fileWritten_ != fileSize_)
        throw WriterError(DescribeFile(fileIndex_, fileName_) + " gave " + std::to_string(fileWritten_) +
                          " bytes instead of its announced " + std::to_string(fileSize_) +
                          " (did it change while being packed?)");
    // An empty file has no block at all: a block decoding to 0 bytes would read as the end.
    if (!chunk_.empty()) EncodeChunk();
    Emit(EndMarker());
    ++fileIndex_;
    stage_ = Stage::Files;
}

void InstallStreamWriter::EndFiles() {
    Expect(Stage::Files, "EndFiles");
    if (fileIndex_ != sizes_.size())
        throw WriterError("the header was made for " + std::to_string(sizes_.size()) + " files but " +
                          std::to_string(fileIndex_) + " were written");
    Emit(ByteVector{0});
    stage_ = Stage::Shortcuts;
}

void InstallStreamWriter::AddShortcut(const std::string& line) {
    Expect(Stage::Shortcuts, "AddShortcut");
    CheckCountedString(line, "the shortcut line");
    CheckNoNul(line, "the shortcut line");
    // A line without "=" (or an empty one) would end the section early and lose the rest.
    ShortcutParts parts;
    if (!SplitShortcutLine(line.c_str(), &parts))
        throw WriterError("the shortcut line " + QuoteForMessage(line) + " has no '=' between link and target");
    ByteVector out;
    AppendCountedString(out, line);
    Emit(std::move(out));
}

void InstallStreamWriter::EndShortcuts() {
    Expect(Stage::Shortcuts, "EndShortcuts");
    Emit(ByteVector{0});
    stage_ = Stage::Registry;
}

void InstallStreamWriter::AddRegistryLine(const std::string& line) {
    Expect(Stage::Registry, "AddRegistryLine");
    if (line.empty()) throw WriterError("an empty registry line would end the registry section");
    CheckCountedString(line, "the registry line");
    std::string problem = RegistryLineProblem(line);
    if (!problem.empty()) throw WriterError("the registry line " + QuoteForMessage(line) + ": " + problem);
    ByteVector out;
    AppendCountedString(out, line);
    Emit(std::move(out));
}

void InstallStreamWriter::EndRegistry() {
    Expect(Stage::Registry, "EndRegistry");
    Emit(ByteVector{0});
    stage_ = Stage::RunAfter;
}

void InstallStreamWriter::WriteRunAfter(const std::string& command) {
    Expect(Stage::RunAfter, "WriteRunAfter");
    CheckCountedString(command, "the run-after command");
    CheckNoNul(command, "the run-after command");
    ByteVector out;
    AppendCountedString(out, command);
    Emit(std::move(out));
    Drain(0);
    stage_ = Stage::Done;
}

void InstallStreamWriter::WriteSectionsAfterFiles(const std::vector<std::string>& shortcuts,
                                                  const std::vector<std::string>& registry,
                                                  const std::string& runAfter) {
    for (const std::string& line : shortcuts) AddShortcut(line);
    EndShortcuts();
    for (const std::string& line : registry) AddRegistryLine(line);
    EndRegistry();
    WriteRunAfter(runAfter);
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

u64 SourceSize(const PackageFile& file) {
    if (file.sourcePath.empty()) return file.data.size();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file.sourcePath, ec))
        throw WriterError("cannot read '" + file.sourcePath + "' for " + QuoteForMessage(file.record.name) +
                          ": not a regular file");
    u64 size = std::filesystem::file_size(file.sourcePath, ec);
    if (ec) throw WriterError("cannot read '" + file.sourcePath + "': " + ec.message());
    return size;
}

void StreamSource(const PackageFile& file, InstallStreamWriter& writer) {
    if (file.sourcePath.empty()) {
        writer.AddFileData(file.data.data(), file.data.size());
        return;
    }
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(file.sourcePath.c_str(), "rb"));
    if (!in) throw WriterError("cannot open '" + file.sourcePath + "': " + std::strerror(errno));
    ByteVector buffer(1 << 20);
    for (;;) {
        std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (got > 0) writer.AddFileData(buffer.data(), got);
        if (got < buffer.size()) {
            if (std::ferror(in.get())) throw WriterError("cannot read '" + file.sourcePath + "': read error");
            break;
        }
    }
}
}  // namespace

void WriteInstallPackage(const InstallPackage& package, ByteSink& sink, const WriterOptions& options) {
    std::vector<u64> sizes;
    for (const PackageFile& file : package.files) sizes.push_back(SourceSize(file));
    InstallStreamWriter writer(sink, options);
    writer.WriteHeader(package.header, sizes);
    for (std::size_t i = 0; i < package.files.size(); ++i) {
        writer.BeginFile(package.files[i].record, sizes[i]);
        StreamSource(package.files[i], writer);
        writer.EndFile();
    }
    writer.EndFiles();
    writer.WriteSectionsAfterFiles(package.shortcuts, package.registry, package.runAfter);
}

void WriteCompanionPackage(const CompanionPackage& package, ByteSink& sink) {
    if (package.runMode == 0) throw WriterError("a companion package needs RunMode 1 or 2, not 0");
    ByteVector out = {package.runMode};
    const std::pair<const std::string*, const char*> strings[] = {{&package.ProductTitle, "the product title"},
                                                                 {&package.FooterText, "the footer text"},
                                                                 {&package.UninstallName, "the uninstall name"}};
    for (const auto& [text, what] : strings) {
        CheckCountedString(*text, what);
        AppendCountedString(out, *text);
    }
    for (const std::string& record : package.logRecords) {
        CheckCountedString(record, "the log record");
        AppendCountedString(out, record);
    }
    sink.Write(out);
}
