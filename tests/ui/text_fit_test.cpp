// Every text of the main window's pages fits its box and overlaps no other, in English and in
// every shipped language: a label's text within its box (wrapped where the layout wraps it),
// a button's and a check box's caption within the control.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <string>
#include <vector>

#include "common/translations.h"
#include "ui/window_fixture.h"

namespace {

struct PlacedText {
  QString name;
  QRect rect;  // where the text is drawn, in the window's coordinates
};

// Where a label draws its text; an empty rect for no text.
QRect LabelTextRect(const QLabel& label, QString& failure) {
  const QRect inside = label.contentsRect();
  const QFontMetrics metrics(label.font());
  const int flags = static_cast<int>(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
  const QRect needed = metrics.boundingRect(inside, flags, label.text());
  if (needed.width() > inside.width() || needed.height() > inside.height()) {
    failure = QStringLiteral("needs %1x%2, has %3x%4")
                  .arg(needed.width()).arg(needed.height()).arg(inside.width()).arg(inside.height());
  }
  return needed;
}

// Where a button or check box draws its caption.
QRect ButtonTextRect(const QAbstractButton& button, QString& failure) {
  const QFontMetrics metrics(button.font());
  int offset = 4;  // the push button's frame and margin on each side
  if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
    offset = button.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button) +
             button.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &button);
  }
  const int width = metrics.horizontalAdvance(button.text().remove(QLatin1Char('&')));
  const int room = button.width() - offset - (qobject_cast<const QCheckBox*>(&button) ? 0 : 4);
  if (width > room) failure = QStringLiteral("needs %1 px, has %2").arg(width).arg(room);
  return {offset, 0, width, button.height()};
}

// The texts the user sees now, each checked against its box.
std::vector<PlacedText> VisibleTexts(QWidget& window, std::vector<std::string>& failures) {
  std::vector<PlacedText> placed;
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    QString failure;
    QRect rect;
    if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->text().isEmpty()) {
      rect = LabelTextRect(*label, failure);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button != nullptr && !button->text().isEmpty()) {
      rect = ButtonTextRect(*button, failure);
    } else {
      continue;
    }
    const QString text = qobject_cast<QLabel*>(widget) ? qobject_cast<QLabel*>(widget)->text()
                                                         : qobject_cast<QAbstractButton*>(widget)->text();
    if (!failure.isEmpty()) failures.push_back((widget->objectName() + " \"" + text + "\" " + failure).toStdString());
    placed.push_back({widget->objectName() + " \"" + text + "\"", rect.translated(widget->mapTo(&window, QPoint()))});
  }
  return placed;
}

void ExpectNoOverlap(const std::vector<PlacedText>& placed, std::vector<std::string>& failures) {
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      if (placed[i].rect.intersects(placed[j].rect)) {
        failures.push_back((placed[i].name + " overlaps " + placed[j].name).toStdString());
      }
    }
  }
}

TEST_F(WindowTest, EveryTextFitsItsBoxAndOverlapsNoneInEveryLanguage) {
  std::vector<std::string> languages = {""};
  for (const std::string_view shipped : ShippedLanguages()) languages.emplace_back(shipped);
  for (const std::string& language : languages) {
    SCOPED_TRACE(language.empty() ? "English" : language);
    MakeWindow(false, kWindowTestCatalogue, language);
    // Every line a run may show: the whole ladder, the user name and password, the PUK entry.
    core().Presenter().ShowLadderLevel(6);
    core().Presenter().SetCredentialsGiven(true);
    core().Presenter().ShowPukEntry();
    for (int page = 0; page < kNotebookPageCount; ++page) {
      SCOPED_TRACE(page);
      window().ShowPage(page);
      std::vector<std::string> failures;
      ExpectNoOverlap(VisibleTexts(window(), failures), failures);
      for (const std::string& failure : failures) ADD_FAILURE() << failure;
    }
    window_.reset();
  }
}

}  // namespace
