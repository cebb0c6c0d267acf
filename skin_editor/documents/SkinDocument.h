#pragma once

#include "skin/mEnemySkinFile.h"

#include "Journal.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <memory>
#include <vector>

namespace vt {
class HistoryJournal;
}

namespace skinloft {

class GraphicCommand;

// The enemy skin being edited: its 25 graphic names, the file it was loaded from or saved to,
// and the history of graphic choices. The windows edit through it and redraw from its
// signals, whether a change came from the lists, an undo or a redo.
class SkinDocument final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SkinDocument)

public:
    explicit SkinDocument(QObject *parent = nullptr);
    ~SkinDocument() override;

    const EnemySkin &CurrentSkin() const { return m_skin; }
    // The skin file last saved or loaded; empty before either.
    const QString &fileName() const { return m_fileName; }
    QUndoStack *undoStack() { return &m_undo; }
    // Changes not yet saved: in the history since the last load or save, or a skin that
    // loaded only in part, which saving would not give back as its file.
    bool isModified() const { return !m_undo.isClean() || m_partlyLoaded; }

    // Gives the enemy the graphic name, as the skin stores it, in one undo step. False when
    // that changes nothing (no such enemy, or the name it already has).
    bool setEnemyGraphic(qint32 enemy, const QByteArray &stored);

    // Reads a skin file. A whole one replaces the skin and counts as saved; one cut short
    // replaces it with what it gave, unsaved; one that gave nothing changes nothing.
    vt::Status load(const QString &path);
    // Writes the skin. On success it counts as saved and the document takes the name.
    vt::Status save(const QString &path);

    // Keeps a crash journal of the unsaved changes in the recovery folder from now on.
    void recordTo(const QString &recoveryFolder);
    // The journal being written; empty when there is none.
    QString journalPath() const;
    // The unsaved changes are given up (the window closes without saving): their journal goes.
    void discardJournal();
    // Puts a journal's records on the history as the choices they were. The steps replayed;
    // complete is false when a record could not be replayed (the rest are left out).
    qsizetype replay(const std::vector<vt::JournalEntry> &records, bool *complete = nullptr);

Q_SIGNALS:
    void enemyGraphicChanged(qint32 enemy);
    // The whole skin was read from a file.
    void documentReplaced();
    void fileNameChanged(const QString &fileName);
    void modifiedChanged(bool modified);
    // The journal cannot be written: the unsaved changes are not recorded from now on.
    void journalFailed(const QString &why);

private:
    friend class GraphicCommand;
    void applyGraphic(qint32 enemy, const QByteArray &stored);
    void setFileName(const QString &fileName);
    void noteModified();

    EnemySkin m_skin;  // all names empty at start
    QString m_fileName;
    QUndoStack m_undo;
    bool m_partlyLoaded = false;
    bool m_modifiedShown = false;  // as last announced
    std::unique_ptr<vt::JournalWriter> m_journal;
    std::unique_ptr<vt::HistoryJournal> m_history;
};

} // namespace skinloft
