#include "packwright/examine/JsonProblems.h"

#include "packwright/examine/Listing.h"

void AddVolumes(JsonWriter& j, const ExaminedPackage& p) {
    j.Key("volumes").BeginArray();
    for (std::size_t k = 0; k < p.volumes.size(); ++k)
        j.BeginObject().Key("index").Number(k).Key("path").Utf8(p.volumes[k]).Key("size").Number(p.volumeSizes[k]).End();
    j.End();
}

void AddProblem(JsonWriter& j, const ExaminedPackage& p, const Problem& problem) {
    j.BeginObject().Key("message").Utf8(problem.message);
    if (problem.at) {
        j.Key("volume").Number(problem.at->volume).Key("path").Utf8(p.VolumePath(problem.at->volume));
        j.Key("offset").Number(problem.at->offset);
    }
    j.End();
}

void AddProblems(JsonWriter& j, const ExaminedPackage& p) {
    j.Key("problems").BeginArray();
    for (const Problem& problem : p.problems) AddProblem(j, p, problem);
    j.End();
    j.Key("stopped_by");
    if (p.stop) AddProblem(j, p, *p.stop);
    else j.Null();
}

std::string UnreadableJson(const std::string& command, const std::string& installer, const std::string& reason) {
    JsonWriter j;
    j.BeginObject().Key("schema_version").Number(JsonSchemaVersion).Key("command").Utf8(command);
    j.Key("installer").Utf8(installer).Key("result").Utf8("unreadable").Key("exit_code").Number(1);
    j.Key("problems").BeginArray().BeginObject().Key("message").Utf8(reason).End().End();
    return j.End().Finish();
}
