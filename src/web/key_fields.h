// The key fields of the edit pages, the "i" names, over the key store of the data image.
//
// Anything keys, "i14_PPP_KK_Dn1" (position PPP, key KK, piece D 0..9): the key's setting text
// after "n_" cut into pieces of at most five bytes that never split a double-byte character;
// piece D is the field's value. A submitted form gives the pieces of a key back; the key's text
// becomes the non-empty pieces joined in piece order. A key none of whose pieces has a value is
// left as it is.
//
// One-touch keys, "i92_PPP_KKn1" to "n3": n1 is the key's setting text as the key store holds
// it, for reading only. A key set as "-" C "," XYZ (C one byte, XYZ three bytes) shows C in n2 and
// XYZ in n3, or, when C is "A" and XYZ begins with "A", XYZ in n2 and nothing in n3; that is the
// form the decoder's one-touch record "i92_PPP_KKn" C "," XYZ takes back. Any other setting
// shows n2 and n3 empty, and a page that sends them back empty leaves the key as it is.
#pragma once

#include "image/data_image.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::web {

constexpr std::size_t kKeyPieceBytes = 5;
constexpr int kAnythingKeyPieces = 10;

// The values of an entry "i14_PPP_KK_D" (one) or "i92_PPP_KK" (three); empty texts for a key
// that is not programmed, nothing for any other name.
std::vector<std::string> keyFieldValues(const image::DataImage& image, std::string_view entryName);

// Cuts a setting text into pieces of at most five bytes, whole characters each.
std::vector<std::string> settingPieces(std::string_view text);

// A decoded anything-key record: "i14_PPP_KK_Dn" and at most five bytes of the value.
struct AnythingKeyPiece {
    int position = 0;
    int keyNumber = 0;
    int piece = 0;
    std::string text;
};
std::optional<AnythingKeyPiece> anythingKeyPieceOf(std::string_view record);

// Programs an anything key with a setting text; the key store's result (image/key_store.h).
int storeAnythingKey(image::DataImage& image, int position, int keyNumber, std::string_view text);

// Programs a one-touch key from a decoded record "i92_PPP_KKn" C "," XYZ; the key store's
// result, kKeyMalformed for a record of another form.
int storeOneTouchRecord(image::DataImage& image, std::string_view record);

} // namespace rk::web
