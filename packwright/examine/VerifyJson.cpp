#include "packwright/examine/JsonProblems.h"
#include "packwright/examine/JsonWriter.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/Verify.h"

namespace {
const char* Result(const VerifyReport& r) {
    if (r.error) return "unreadable";
    if (r.Damaged()) return "damaged";
    if (r.SignatureBroken()) return "signature_broken";
    return r.DiffersFromManifest() ? "differs_from_manifest" : "passed";
}

void Position(JsonWriter& j, const ExaminedPackage& p, StreamPosition at) {
    j.BeginObject().Key("volume").Number(at.volume).Key("path").Utf8(p.VolumePath(at.volume));
    j.Key("offset").Number(at.offset).End();
}

void Stub(JsonWriter& j, const VerifyReport& r) {
    j.Key("stub").BeginObject().Key("bytes").Number(r.stub.size).Key("shipped");
    if (r.stub.verdict == StubIdentity::Verdict::NoReference) j.Null();
    else j.Bool(r.stub.verdict == StubIdentity::Verdict::Shipped);
    j.Key("packwright_version").Utf8(r.packwrightVersion);
    j.Key("first_difference");
    if (r.stub.firstDifference) j.Number(*r.stub.firstDifference);
    else j.Null();
    j.End();
}

void NotCovered(JsonWriter& j, const VerifyReport& r) {
    const Coverage& c = r.coverage;
    j.Key("not_covered").BeginObject();
    Stub(j, r);
    j.Key("record_bytes").Number(c.recordBytes);
    j.Key("after_files");
    if (c.afterFiles) {
        j.BeginObject().Key("bytes").Number(c.afterFilesBytes).Key("from");
        Position(j, r.package, c.afterFiles->start);
        j.Key("to");
        Position(j, r.package, c.afterFiles->end);
        j.End();
    } else {
        j.Null();
    }
    j.End();
}

void Signature(JsonWriter& j, const VerifyReport& r) {
    j.Key("signature");
    if (!r.signature) {
        j.Null();
        return;
    }
    const SignatureFinding& s = *r.signature;
    j.BeginObject().Key("table_offset").Number(s.tableOffset).Key("table_bytes").Number(s.tableBytes);
    j.Key("checked").Bool(s.checked).Key("intact").Bool(s.intact);
    j.Key("subject").Utf8(s.subject).Key("digest").Utf8(s.digest).Key("timestamp");
    if (s.timestamp) j.Utf8(*s.timestamp);
    else j.Null();
    j.Key("problem");
    if (s.checked && !s.intact) j.Utf8(s.problem);
    else j.Null();
    j.Key("covers_whole_installer").Bool(r.SignatureCoversAll()).End();
}

void Manifest(JsonWriter& j, const VerifyReport& r) {
    j.Key("manifest");
    if (!r.comparison) {
        j.Null();
        return;
    }
    const VolumeComparison& c = *r.comparison;
    j.BeginObject().Key("path").Utf8(*r.manifestPath).Key("identical").Bool(c.identical);
    j.Key("bytes_compared").Number(c.bytesCompared).Key("volumes").Number(c.volumes).Key("difference");
    if (c.difference) {
        const VolumeComparison::Difference& d = *c.difference;
        j.BeginObject().Key("volume").Number(d.volume).Key("path").Utf8(d.path).Key("offset").Number(d.offset);
        j.Key("what").Utf8(d.what).Key("part").Utf8(PartAt(r.package, {d.volume, d.offset}));
        j.Key("installer_byte");
        if (d.installer) j.Number(*d.installer);
        else j.Null();
        j.Key("rebuilt_byte");
        if (d.rebuilt) j.Number(*d.rebuilt);
        else j.Null();
        j.End();
    } else {
        j.Null();
    }
    j.End();
}
}  // namespace

std::string VerifyJson(const VerifyReport& r) {
    if (r.error) return UnreadableJson("verify", r.installer, *r.error);
    const ExaminedPackage& p = r.package;
    JsonWriter j;
    j.BeginObject();
    j.Key("schema_version").Number(JsonSchemaVersion).Key("command").Utf8("verify");
    j.Key("installer").Utf8(p.path.empty() ? r.installer : p.path);
    j.Key("result").Utf8(Result(r)).Key("exit_code").Number(static_cast<u64>(r.ExitCode()));
    j.Key("kind").Utf8(RunModeName(p.runMode)).Key("complete").Bool(p.complete);
    AddVolumes(j, p);
    j.Key("files").Number(p.files.size()).Key("blocks").Number(p.blocksRead);
    j.Key("checked").BeginArray().Utf8("block_checksums").Utf8("structure").Utf8("volume_sizes");
    if (r.signature && r.signature->intact) j.Utf8("signature");
    if (r.comparison && r.comparison->identical) j.Utf8("every_byte_against_manifest");
    j.End();
    NotCovered(j, r);
    Signature(j, r);
    Manifest(j, r);
    j.Key("warnings").BeginArray();
    for (const std::string& w : r.Warnings()) j.Utf8(w);
    j.End();
    AddProblems(j, p);
    j.End();
    return j.Finish();
}
