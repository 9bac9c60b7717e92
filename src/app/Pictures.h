#pragma once

#include <QPixmap>
#include <QString>

// The program's pictures, drawn at run time.

// The start page's logo.
QPixmap LogoPicture();
// A page heading: the words in large orange lettering on a transparent background.
QPixmap HeadingPicture(const QString& words);
// The yellow padlock of the status bar, 15 x 18, transparent background.
QPixmap PadlockPicture();
// A mock of the service's web mailbox with the "Applications" tab open.
QPixmap MailboxPicture(const QSize& size);
