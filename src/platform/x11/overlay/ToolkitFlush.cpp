#include "platform/x11/overlay/ToolkitFlush.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QAbstractEventDispatcher>
#include <QGuiApplication>

namespace brindlow {

void flushToolkitRequestsBeforeEachWait() {
    if (!qGuiApp) return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(qGuiApp->thread());
    if (!connection || !dispatcher) return;
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Nothing to write costs no system call.
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, qGuiApp,
                     [connection] { xcb_flush(connection); });
}

}  // namespace brindlow
