// File facts for the run record.
#include "runlog/file_facts.h"

#include "dld/file_io.h"
#include "runlog/sha256.h"

namespace tuneflash {

FileFacts FactsOfBytes(const std::string& name, ByteSpan bytes) {
  FileFacts facts;
  facts.name = name;
  facts.size = bytes.size();
  facts.sha256 = Sha256Hex(bytes);
  if (bytes.size() >= kHeaderRecordSize) facts.identity = FILE_DOWNLOAD_HEADER_T::FromBytes(bytes);
  return facts;
}

FileFacts FactsOfFile(const std::filesystem::path& path) {
  try {
    return FactsOfBytes(path.string(), ReadWholeFile(path));
  } catch (const FileError& e) {
    FileFacts facts;
    facts.name = path.string();
    facts.problem = e.what();
    return facts;
  }
}

}  // namespace tuneflash
