#include "platform/Desktop.h"

namespace Desktop {

QByteArray fileUri(const Url &url)
{
    // The URI form is ASCII throughout, so the bytes of the path pass through unchanged apart from
    // the escaping.
    return QByteArrayLiteral("file://") + url.path().toPercentEncoding("/!$&'()*+,:=@");
}

} // namespace Desktop
