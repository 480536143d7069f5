#pragma once

#include <QString>

// Names of the program's internal notifications. Components that are not the
// application controller reach it by posting one of these on the bus.
namespace nf {

inline const QString refresh = QStringLiteral("REFRESHNF");
inline const QString reply = QStringLiteral("REPLYNF");
inline const QString quote = QStringLiteral("QUOTENF");
inline const QString conversation = QStringLiteral("CONVERSATIONNF");
inline const QString userInfo = QStringLiteral("USERINFONF");
inline const QString loadHash = QStringLiteral("LOADHASHNF");
inline const QString loadUser = QStringLiteral("LOADUSERNF");
inline const QString newPost = QStringLiteral("NEWPOSTNF");
inline const QString gestureLeft = QStringLiteral("GESTURELEFTNF");
inline const QString gestureRight = QStringLiteral("GESTURERIGHTNF");
inline const QString gestureUp = QStringLiteral("GESTUREUPNF");
inline const QString gestureDown = QStringLiteral("GESTUREDOWNNF");
inline const QString loadOlderPosts = QStringLiteral("LOADOLDERPOSTSNF");
inline const QString loadUserInfoModal = QStringLiteral("LOADUSERINFOMODALNF");
inline const QString uploadImage = QStringLiteral("UPLOADIMAGENF");

// Lifecycle moments the controller announces.
inline const QString didFinishLaunching = QStringLiteral("DIDFINISHLAUNCHINGNF");
inline const QString didUpdate = QStringLiteral("DIDUPDATENF");
inline const QString didBecomeActive = QStringLiteral("DIDBECOMEACTIVENF");
inline const QString windowDidChangeScreen = QStringLiteral("WINDOWDIDCHANGESCREENNF");

} // namespace nf
