// Prompts answered by the test: every prompt is recorded, answers are set
// in advance.
#pragma once

#include <QStringList>
#include <QUrl>
#include <vector>

#include "prompts.h"

struct TFakePrompts : IPrompts {
  // Records.
  QStringList Messages;       // information texts
  QStringList Questions;      // "caption|text"
  QStringList FolderHeadlines;
  QStringList FolderStarts;
  std::vector<std::vector<TFileFilter>> OpenFilters;
  std::vector<QUrl> OpenedUrls;
  // Answers.
  bool YesAnswer = true;
  QStringList Folders;  // one per folder dialog, in order; empty: cancel
  QStringList Files;    // returned by every open dialog

  void Information(QWidget *, const QString &text) override { Messages << text; }
  bool AskYesNo(QWidget *, const QString &caption, const QString &text) override {
    Questions << caption + QLatin1Char('|') + text;
    return YesAnswer;
  }
  QStringList OpenFiles(QWidget *, const std::vector<TFileFilter> &filters) override {
    OpenFilters.push_back(filters);
    return Files;
  }
  QString BrowseForFolder(QWidget *, const QString &headline, const QString &startFolder) override {
    FolderHeadlines << headline;
    FolderStarts << startFolder;
    return Folders.isEmpty() ? QString() : Folders.takeFirst();
  }
  bool OpenUrl(const QUrl &url) override {
    OpenedUrls.push_back(url);
    return true;
  }
};
