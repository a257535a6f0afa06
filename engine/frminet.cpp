#include "engine/frminet.h"

#include "platform/inet.h"

frmInet::frmInet()
{
    setAttribute(Qt::WA_DontShowOnScreen, true);
    Inet = new ::Inet(this);
}
