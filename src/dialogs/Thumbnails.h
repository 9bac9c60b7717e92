#pragma once

#include <QPixmap>
#include <QString>
#include <QStringList>

// Size of every thumbnail picture, in pixels.
constexpr int ThumbnailWidth = 681;
constexpr int ThumbnailHeight = 601;

// The mapping page's pictures of a volunteer record page, drawn when asked:
// key "general" (how Tab, Box and Field appear), or a Tab's name ("core",
// "contacts", "history", "notes", "profile", "service", any letter case).
// Any other key gives the general picture.
QPixmap ThumbnailPicture(const QString& key);
// The words of that picture's heading, for those who cannot see it.
QString ThumbnailCaption(const QString& key);

// The Tab names that have their own picture, lower case.
QStringList ThumbnailTabKeys();
