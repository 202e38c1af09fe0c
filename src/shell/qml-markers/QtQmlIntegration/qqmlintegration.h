#pragma once

// Qt's text to speech header marks its class for QML with QML_ELEMENT, a marker that only moc
// reads (it stands for a Q_CLASSINFO, which the compiler never sees). Debian 12 ships the
// header with the marker's definition in Qt Quick's development files; a desk built without
// them finds this one instead, which leaves the class exactly as compiled into the library.
#ifndef QML_ELEMENT
#define QML_ELEMENT
#endif
