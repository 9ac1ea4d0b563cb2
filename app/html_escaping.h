#pragma once
// Plain text put into HTML: a note's title in its title paragraph, an attachment's name in an
// image reference. Escaping keeps such text from being read as markup.
//
//   html_escaping::escapedText(u"Fish & <Chips>");    // u"Fish &amp; &lt;Chips&gt;"
//   html_escaping::escapedAttribute(u"a \"b\".png");  // u"a &quot;b&quot;.png"

#include "platform/text/text.h"

namespace quillmere::html_escaping {

// `text` with "&", "<" and ">" written as character references, for element content.
Text escapedText(TextView text);
// `text` with "&", "<", ">" and "\"" written as character references, for a double-quoted
// attribute value.
Text escapedAttribute(TextView text);

// An attachment's name as the relative reference of an image's `src`: only its last path
// component ("/" and "\\" both end one), "Attachment" when that is empty, "." or "..", and every
// byte of its UTF-8 but letters, digits, "-", ".", "_" and "~" percent-encoded, so that no name
// reaches outside the note's folder or reads as a scheme.
//   imageSource(u"../../etc/pass wd")  // u"pass%20wd"
Text imageSource(TextView name);

}  // namespace quillmere::html_escaping
