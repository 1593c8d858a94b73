// Stands in for the desktop's URL handler and records what it is asked to open.
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};
