#include "tools/common/AtomicFile.h"

#include <fstream>
#include <sstream>

namespace pvtools {

bool WriteFileAtomically(const std::filesystem::path& target, const std::string& bytes, std::string& error)
{
    std::filesystem::create_directories(target.parent_path());
    const std::filesystem::path temp = target.string() + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        if (!out) {
            std::ostringstream message;
            message << "cannot write " << temp;
            error = message.str();
            return false;
        }
    }
    std::filesystem::rename(temp, target);
    return true;
}

} // namespace pvtools
