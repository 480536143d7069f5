#pragma once

class QWidget;

// What a start says once and sets once: the damaged-preferences notice, the
// welcome of a first start (with the window centred), the settings each
// older version's first start changed, and the early-version notice of a
// first signed-in start.
namespace FirstStart {
void runNoticesAndMigrations(QWidget *window);
void showEarlyVersionNoticeOnce();
}
