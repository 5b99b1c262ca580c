#include "dialogue_log.h"

#include "core/text.h"

DialogueLog::DialogueLog(std::ostream& out) : FOut(out) {
    OnSend = [this](TIdConnectionIntercept*, TStream& stream) { Take(FSent, stream, "> "); };
    OnReceive = [this](TIdConnectionIntercept*, TStream& stream) { Take(FReceived, stream, "< "); };
}

std::string DialogueLog::Masked(const std::string& command) {
    if (command.size() >= 5 && UpperCase(command.substr(0, 5)) == "PASS ")
        return command.substr(0, 5) + "****";
    return command;
}

void DialogueLog::Note(const std::string& fact) {
    FOut << "* " << fact << '\n';
    FOut.flush();
}

void DialogueLog::Take(std::string& pending, TStream& stream, const char* prefix) {
    stream.SetPosition(0);
    const int64_t size = stream.Size();
    std::string bytes(static_cast<size_t>(size), '\0');
    stream.ReadBuffer(bytes.data(), size);
    pending += bytes;
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        FOut << prefix << Masked(line) << '\n';
    }
    FOut.flush();
}
