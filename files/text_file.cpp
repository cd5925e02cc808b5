#include "files/text_file.h"

#include "engine/file_bytes.h"
#include "files/replace.h"

namespace tavrel {

namespace fs = std::filesystem;

TextFile ReadTextFile(const fs::path& path)
{
    return DecodeText(ReadFileBytes(path), path);
}

void ReplaceFileContent(const fs::path& path, std::string_view bytes)
{
    Replacement replacement(path);
    replacement.Write(bytes);
    replacement.Commit();
}

void WriteTextFile(const fs::path& path, std::u16string_view text, Encoding encoding)
{
    ReplaceFileContent(path, EncodeText(text, encoding, path));
}

}  // namespace tavrel
