#include "FuzzTargets.h"
#include "Relabeller.h"

int FuzzVerse2chan(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  QuietOutput quiet;
  int32_t channel = data[0] & 0x0F;
  const bytes input(data + 1, data + size);
  Midi m;
  m.image = input;
  bool ok;
  lyricfinder lyrics;
  checkfile(m, ok, Guards::AtEveryRead, lyrics);
  if (m.image != input) FuzzFailure("verse2chan", "the check changed the image");
  if (!ok) return 0;
  Relabel(m, lyrics.types, channel);
  Midi twice;  // the two walks: the check, then the relabelling's own
  twice.image = input;
  twice.CheckFile(ok, Guards::AtEveryRead);
  RelabelLyrics(twice, channel);
  if (twice.image != m.image) FuzzFailure("verse2chan", "one walk relabels other bytes than two");
  if (m.image.size() != input.size()) FuzzFailure("verse2chan", "the image changed its size");
  for (size_t i = 0; i < input.size(); i++) {
    if (m.image[i] == input[i]) continue;
    // only the type byte of a Lyric event changes: FF 05 becomes FF 1n
    if (i == 0 || input[i - 1] != 0xFF || input[i] != 0x05 || m.image[i] != (0x10 | channel)) {
      FuzzFailure("verse2chan", "byte " + std::to_string(i) + " changed from" +
                                    bytes2hex({input[i]}) + " to" + bytes2hex({m.image[i]}));
    }
  }
  return 0;
}
