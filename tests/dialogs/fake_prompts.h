// Prompts answered by the test: every prompt is recorded, answers are set
// in advance.
#pragma once

#include <QStringList>
#include <QUrl>
#include <functional>
#include <vector>

#include "prompts.h"

struct FakePrompts : Prompts {
  // Records.
  QStringList messages;       // information texts
  QStringList questions;      // "caption|text"
  QStringList folderHeadlines;
  QStringList folderStarts;
  std::vector<std::vector<FileFilter>> openFilters;
  std::vector<QUrl> openedUrls;
  int openDialogs = 0;
  int folderDialogs = 0;
  // Answers.
  bool yesAnswer = true;
  std::function<void()> duringQuestion;  // runs while a question is open
  QStringList folders;  // one per folder dialog, in order; empty: cancel
  QStringList files;    // returned by every open dialog

  void information(QWidget *, const QString &text) override { messages << text; }
  bool askYesNo(QWidget *, const QString &caption, const QString &text) override {
    questions << caption + QLatin1Char('|') + text;
    if (duringQuestion) duringQuestion();
    return yesAnswer;
  }
  QStringList openFiles(QWidget *, const std::vector<FileFilter> &filters) override {
    ++openDialogs;
    openFilters.push_back(filters);
    return files;
  }
  QString browseForFolder(QWidget *, const QString &headline, const QString &startFolder) override {
    ++folderDialogs;
    folderHeadlines << headline;
    folderStarts << startFolder;
    return folders.isEmpty() ? QString() : folders.takeFirst();
  }
  bool opens = true;  // whether the desktop takes what openUrl gets
  bool openUrl(const QUrl &url) override {
    openedUrls.push_back(url);
    return opens;
  }
};

#include "desktop_services.h"

// The desktop as the test sees it: what was opened and notified.
struct FakeDesktop : DesktopServices {
  std::vector<QUrl> openedUrls;
  QStringList notifications;  // "title|text"
  bool opens = true;           // whether a program takes what openUrl gets
  bool openUrl(const QUrl &url) override {
    openedUrls.push_back(url);
    return opens;
  }
  bool notify(const QString &title, const QString &text) override {
    notifications << title + QLatin1Char('|') + text;
    return true;
  }
};
