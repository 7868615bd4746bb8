#include "UGEventTrace.h"

#include "UGError.h"

#include <algorithm>

namespace qm {

TGEventTrace::TGEventTrace(const std::filesystem::path& file) : FFile(std::fopen(file.c_str(), "w")) {
    if (!FFile) {
        throw EGError("TGEventTrace.Create", "cannot write " + file.string());
    }
}

TGEventTrace::~TGEventTrace() {
    std::fclose(FFile);
}

void TGEventTrace::Write(const std::string& event) {
    std::string line = std::to_string(FFrame) + " " + event;
    std::replace(line.begin(), line.end(), '\n', ' ');
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), FFile);
    std::fflush(FFile);
}

} // namespace qm
