#include "settings/xml_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <utility>

#include "frame/file_descriptor.h"
#include "frame/text_limits.h"
#include "settings/xml_parser.h"

namespace {

constexpr int kTemporaryNameAttempts = 16;

bool ReadAll(int fd, std::string& content) {
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size > 0) {
        content.reserve(static_cast<std::size_t>(info.st_size));
    }
    char block[65536];
    for (;;) {
        ssize_t got = read(fd, block, sizeof block);
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.append(block, static_cast<std::size_t>(got));
    }
}

// A name beside `path` that nobody else uses: ".<name>.<pid>-<stamp>.tmp".
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(stamp) +
           "-" + std::to_string(counter++) + ".tmp";
}

}  // namespace

bool LXmlNode::LoadFile(const std::string& path, std::string& error) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string content;
    if (file.get() < 0 || !ReadAll(file.get(), content)) {
        error = CutText("Cannot open xml file: " + path);
        return false;
    }
    return Parse(content, error);
}

bool LXmlNode::Parse(std::string_view content, std::string& error) {
    children.clear();
    LXmlParser parser(content, error);
    parser.Parse(*this);
    return error.empty();
}

bool LXmlNode::Save(int fd) const {
    std::string out;
    for (const auto& child : children) {
        child->Write(out, 0);
    }
    return WriteAll(fd, out.data(), out.size());
}

// The document goes to a temporary file that is renamed over the target only when it is
// complete and on disk, so a crash or a full disk never leaves half a settings file.
bool LXmlNode::SaveFile(const std::string& path) const {
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = TemporaryNameFor(path);
        // 0666 filtered by the user's umask, like any new file of the user's.
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    FileDescriptor file(fd);
    bool written = Save(file.get()) && fsync(file.get()) == 0;
    written = file.Close() && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

LXmlNode* LXmlNode::FindChild(std::string_view childName) const {
    for (const auto& child : children) {
        std::string_view own = child->name ? std::string_view(*child->name) : std::string_view();
        if (own == childName) {
            return child.get();
        }
    }
    return nullptr;
}

std::string_view LXmlNode::GetValue() const {
    if (text) {
        return *text;
    }
    if (!children.empty() && children.front()->text) {
        return *children.front()->text;
    }
    return {};
}

std::string_view LXmlNode::GetAttribute(std::string_view attrName,
                                        std::string_view defaultValue) const {
    for (const LXmlAttr& attr : attributes) {
        if (attr.name == attrName) {
            return attr.value;
        }
    }
    return defaultValue;
}

void LXmlNode::SetAttribute(std::string_view attrName, std::string_view value) {
    for (LXmlAttr& attr : attributes) {
        if (attr.name == attrName) {
            attr.value = value;
            return;
        }
    }
    attributes.push_back(LXmlAttr{std::string(attrName), std::string(value)});
}

void LXmlNode::SetName(std::string_view newName) {
    name = std::string(newName);
}

LXmlNode* LXmlNode::AppendChild(std::unique_ptr<LXmlNode> child) {
    child->keepSpace = keepSpace;
    children.push_back(std::move(child));
    return children.back().get();
}
