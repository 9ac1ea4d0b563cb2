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

}  // namespace quillmere::html_escaping
