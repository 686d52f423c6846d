#include "media/collect_media.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <optional>

#include "core/name_generator.h"
#include "core/names.h"
#include "core/peer_sender.h"
#include "net/bytes.h"
#include "net/comp.h"
#include "net/media_list.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/folder_index.h"
#include "platform/game_path.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTextureBlock = "NiSourceTexture";
constexpr std::string_view kTexturesPrefix = "Textures\\";

std::string WithoutTrailingNuls(std::string_view text) {
  while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  return std::string(text);
}

// `length` bytes from `start`, as many as there are.
std::string_view Clip(const ByteString& bytes, size_t start, int64_t length) {
  if (length <= 0 || start >= bytes.size()) return {};
  return std::string_view(bytes).substr(start, static_cast<size_t>(length));
}

std::string LastThreeLower(const std::string& name) {
  return ToLower(name.size() > 3 ? name.substr(name.size() - 3) : name);
}

std::string DdsTwin(const std::string& name) {
  return name.substr(0, name.size() - std::min<size_t>(3, name.size())) + "dds";
}

// A name that can be a file below its media folder: not empty, no character a file name
// cannot hold or a lookup would read as a pattern, and no step up out of the folder, so
// nothing outside Data Files is ever listed for the peer.
bool UsableName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32 ||
        std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return !HasParentStep(name);
}

class MediaCollector {
 public:
  MediaCollector(const std::string& gameDir, MediaList& media, NameGenerator& names)
      : meshes_(Folder(gameDir, "Meshes")),
        textures_(Folder(gameDir, "Textures")),
        icons_(Folder(gameDir, "Icons")),
        media_(media),
        names_(names) {}

  void Model(const ByteString& record, size_t idLength) {
    if (record.empty()) return;
    const std::string path = ModelPath(record, idLength);
    const fs::path file = Find(meshes_, path);
    if (file.empty()) return;
    std::optional<ByteString> mesh = ReadWholeFile(file);
    if (!mesh || mesh->size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return;
    Append("Meshes\\" + path, mesh->size());
    for (const std::string& texture : ScanTextures(*mesh)) Texture(texture);
  }

  void Icon(const ByteString& record) {
    if (record.empty()) return;
    std::string name = IconName(record);
    if (name.empty()) return;
    if (LastThreeLower(name) != "dds" && !Find(icons_, DdsTwin(name)).empty()) {
      name = DdsTwin(name);
    }
    ListIfPresent(icons_, "Icons", name);
  }

 private:
  void Texture(std::string name) {
    // The prefix is dropped before the twin is looked for, so the twin of
    // "Textures\foo.tga" is Textures\foo.dds, not Textures\Textures\foo.dds.
    if (name.size() > kTexturesPrefix.size() &&
        name.compare(0, kTexturesPrefix.size(), kTexturesPrefix) == 0) {
      name.erase(0, kTexturesPrefix.size());
    }
    const std::string e = LastThreeLower(name);
    if (e == "bmp" || e == "tga") {
      if (!Find(textures_, DdsTwin(name)).empty()) name = DdsTwin(name);
    } else if (e != "dds") {
      name = names_.RandomName("error") + ".dds";
    }
    ListIfPresent(textures_, "Textures", name);
  }

  // A media folder, listed as names are looked up in it; none when it does not exist.
  static std::optional<FolderIndex> Folder(const std::string& gameDir, const std::string& name) {
    fs::path folder = GamePath(gameDir, "\\Data Files\\" + name);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return std::nullopt;
    return FolderIndex(std::move(folder));
  }

  // The normal file <folder>\<name>, or an empty path. Each folder below is listed once per
  // collection, so names that differ from the disk's in letter case cost no extra listing.
  static fs::path Find(std::optional<FolderIndex>& folder, const std::string& name) {
    if (!folder || !UsableName(name)) return {};
    return folder->FindNormalFile(name);
  }

  void ListIfPresent(std::optional<FolderIndex>& folder, const std::string& folderName,
                     const std::string& name) {
    const fs::path file = Find(folder, name);
    if (file.empty()) return;
    // Listed only when it can be served: readable and of a size the list can carry.
    const FileHandle handle = FileHandle::OpenForReading(file);
    const std::optional<uint64_t> size = handle.IsOpen() ? handle.Size() : std::nullopt;
    if (!size || *size > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return;
    Append(folderName + "\\" + name, static_cast<size_t>(*size));
  }

  void Append(const std::string& name, size_t size) {
    media_.MediaNames.push_back(name);
    media_.MediaSizes.push_back(static_cast<int32_t>(size));
  }

  std::optional<FolderIndex> meshes_;
  std::optional<FolderIndex> textures_;
  std::optional<FolderIndex> icons_;
  MediaList& media_;
  NameGenerator& names_;
};

}  // namespace

std::string ModelPath(const ByteString& record, size_t idLength) {
  const size_t sizeAt = 28 + idLength;
  if (sizeAt + 4 > record.size()) return {};
  return WithoutTrailingNuls(Clip(record, sizeAt + 4, int64_t{BytesToLongAt(record, sizeAt)} - 1));
}

std::vector<std::string> ScanTextures(const ByteString& mesh) {
  std::vector<std::string> names;
  for (size_t p = mesh.find(kTextureBlock); p != ByteString::npos;
       p = mesh.find(kTextureBlock, p + 1)) {
    if (p + 32 > mesh.size()) continue;
    const int32_t length = BytesToLongAt(mesh, p + 28);
    if (length < 0) continue;
    names.push_back(WithoutTrailingNuls(Clip(mesh, p + 32, length)));
  }
  return names;
}

std::string IconName(const ByteString& record) {
  const std::string_view tag = record.compare(0, 4, "ALCH") == 0 ? "TEXT" : "ITEX";
  const size_t p = record.rfind(tag);
  if (p == ByteString::npos || p + 8 > record.size()) return {};
  return WithoutTrailingNuls(Clip(record, p + 8, BytesToLongAt(record, p + 4)));
}

std::string MediaListText(const MediaList& media) {
  std::string text;
  const size_t count = std::min(media.MediaNames.size(), media.MediaSizes.size());
  for (size_t i = 0; i < count; ++i) {
    text += media.MediaNames[i];
    text += '\t';
    text += std::to_string(media.MediaSizes[i]);
    text += "\r\n";
  }
  return text;
}

ByteString MediaListMessage(const MediaList& media) {
  ByteString compressed = MediaListText(media);
  const auto length = static_cast<int32_t>(compressed.size());
  CompressBytes(compressed, 7);  // the result code is not examined
  ByteString message(1, static_cast<char>(252));
  message += LongToBytes(static_cast<int32_t>(4 + compressed.size()));
  message += LongToBytes(length);
  message += compressed;
  return message;
}

void CollectMedia(const std::string& gameDir, const CharacterPackage& p, MediaList& media,
                  NameGenerator& names, PeerSender& peer) {
  MediaCollector collector(gameDir, media, names);
  collector.Model(p.HeadRecord, p.HeadId.size());
  collector.Model(p.HairRecord, p.HairId.size());
  for (size_t i = 0; i < p.ArmorPartRecords.size() && i < p.ArmorPartIds.size(); ++i) {
    collector.Model(p.ArmorPartRecords[i], p.ArmorPartIds[i].size() + 1);
  }
  for (size_t i = 0; i < p.ClothingPartRecords.size() && i < p.ClothingPartIds.size(); ++i) {
    collector.Model(p.ClothingPartRecords[i], p.ClothingPartIds[i].size() + 1);
  }
  for (size_t k = 0; k < p.ItemRecords.size() && k < p.ItemIds.size(); ++k) {
    collector.Model(p.ItemRecords[k], p.ItemIds[k].size());
    collector.Icon(p.ItemRecords[k]);
  }
  peer.Send(MediaListMessage(media));
}
