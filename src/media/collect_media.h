#pragma once

#include <string>
#include <vector>

#include "core/byte_string.h"
#include "records/character_package.h"

struct MediaList;
class NameGenerator;
class PeerSender;

// Lists the media files the character needs and sends the list to the peer. After the
// arena plug-in's entry 0 it appends, for the head, the hair, the armour and clothing body
// parts and the items (in that order): each model that exists under Data Files\Meshes,
// then the textures its NiSourceTexture blocks name that exist under Data Files\Textures
// (a .bmp or .tga with a .dds twin is listed as the twin), and for items the icon under
// Data Files\Icons. Every reference gives an entry (no de-duplication), with the file's
// size. Files are found without regard to letter case; empty or unusable names count as
// missing. Then sends the MediaList message (nothing happens when the link is down).
void CollectMedia(const std::string& gameDir, const CharacterPackage& package, MediaList& media,
                  NameGenerator& names, PeerSender& peer);

// The model path of a record whose id, with its NUL, is idLength bytes long: the value of
// the sub-record after NAME without its trailing NULs.
std::string ModelPath(const ByteString& record, size_t idLength);

// The file names a mesh's texture blocks give ("NiSourceTexture", length at +28, name at
// +32, clipped to the mesh, trailing NULs removed), in order; blocks with a negative length
// name nothing.
std::vector<std::string> ScanTextures(const ByteString& mesh);

// The icon name of an item record: the last TEXT of a potion, the last ITEX otherwise,
// without trailing NULs; empty when there is none.
std::string IconName(const ByteString& record);

// One line per entry: name, TAB, size in decimal, CR LF.
std::string MediaListText(const MediaList& media);

// The MediaList message: 252, the body's length, the body = the text's length followed by
// the text compressed at level 7.
ByteString MediaListMessage(const MediaList& media);
