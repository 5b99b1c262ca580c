// Retrieving into and storing from streams and local files.
#include "ftp/ftp_client.h"

#include "core/exceptions.h"

void TIdFTP::NotifyAfterGet(TStream& stream) {
    if (OnAfterGet)
        OnAfterGet(this, stream);
}

void TIdFTP::RetrieveStream(const std::string& SourcePath, TStream& Dest, bool Resume) {
    // With resume, the REST offset is where Dest stands, and the received bytes
    // are written from there.
    const bool resume = Resume && SupportsResume();
    TIdDownloadSize size = LearnDownloadSize(SourcePath);
    size.Origin = resume ? 0 : Dest.Position();
    if (resume && size.Stated >= 0 && Dest.Position() >= size.Stated) {
        if (Dest.Position() > size.Stated)
            throw EIdTransferSizeMismatch(
                FormatMsg(TIdMsg::LocalFileLargerThanRemote,
                          {std::to_string(Dest.Position()), std::to_string(size.Stated)}));
        // Already complete: there is nothing left to fetch.
        NotifyAfterGet(Dest);
        return;
    }
    InboundTransfer("RETR " + SourcePath, Dest, resume, &size);
    NotifyAfterGet(Dest);
}

void TIdFTP::RetrieveFile(const std::string& SourcePath, const std::string& DestFileName,
                          bool CanOverwrite, bool Resume) {
    if (!FileExists(DestFileName)) {
        TFileStream file(DestFileName, TFileMode::fmCreate);
        RetrieveStream(SourcePath, file, Resume);
        return;
    }
    const bool resumable = Resume && SupportsResume();
    if (CanOverwrite && !resumable) {
        TFileStream file(DestFileName, TFileMode::fmCreate);
        RetrieveStream(SourcePath, file, false);
    } else if (!CanOverwrite && resumable) {
        TFileStream file(DestFileName, TFileMode::fmOpenWrite);
        file.Seek(0, TSeekOrigin::soEnd);
        RetrieveStream(SourcePath, file, true);
    } else {
        throw EIdFTPFileAlreadyExists();
    }
}

void TIdFTP::StoreStream(TStream& Source, const std::string& DestPath, bool Append) {
    std::string command;
    if (DestPath.empty())
        command = "STOU ";
    else if (Append)
        command = "APPE " + DestPath;
    else
        command = "STOR " + DestPath;
    OutboundTransfer(command, Source);
}

void TIdFTP::StoreFile(const std::string& SourceFileName, const std::string& DestPath,
                       bool Append) {
    TFileStream file(SourceFileName, TFileMode::fmOpenRead);
    StoreStream(file, DestPath, Append);
}
