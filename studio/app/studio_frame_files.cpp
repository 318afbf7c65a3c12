// The window's files: opening a score, a rendered file or a sound (off the
// window's thread), saving through a temporary file after asking what needs
// asking, the recovery of unsaved edits, and closing.
#include <wx/app.h>

#include <ctime>
#include <filesystem>
#include <random>

#include "score_file/score_reading.h"
#include "studio/app/prompts.h"
#include "studio/app/studio_frame.h"
#include "studio/listening/listening.h"
#include "studio/render/render_dialog.h"

namespace studio {

namespace {

std::uint32_t FreshSeed()
{
    std::random_device device;
    return static_cast<std::uint32_t>(device());
}

std::string WhenText(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local {};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

}  // namespace

void StudioFrame::OpenPath(const std::string& path, bool asNew)
{
    if (m_bOpening)
        return;
    if (!ConfirmDiscard("opening " + FileNameOf(path)))
        return;
    m_bOpening = true;
    ShowStatus("Opening " + FileNameOf(path) + "...");
    m_work.Run<DocumentOpening>([path, asNew] { return asNew ? NewFromSound(path) : OpenDocumentFile(path); },
                                [this](DocumentOpening opening) { TakeOpened(std::move(opening), false); });
}

void StudioFrame::TakeOpened(DocumentOpening opening, bool fromRecovery)
{
    m_bOpening = false;
    ShowStatus("");
    if (!opening.m_document) {
        ShowError(this, opening.m_strError);
        return;
    }
    const DocumentOrigin origin = opening.m_document->m_origin;
    const std::string opened = opening.m_document->m_strOpenedFile;
    SetDocument(ScoreDocument(std::move(*opening.m_document), FreshSeed()));
    if (fromRecovery)
        return;
    switch (origin) {
    case DocumentOrigin::RenderedFile: ShowStatus("The score stored in " + FileNameOf(opened)); break;
    case DocumentOrigin::Sound: ShowStatus("A new score from " + FileNameOf(opened)); break;
    case DocumentOrigin::ScoreFile:
    case DocumentOrigin::Recovered: break;
    }
}

bool StudioFrame::ConfirmDiscard(const std::string& action)
{
    if (!m_document.HasLayers() || !m_document.IsModified())
        return true;
    Prompt prompt;
    prompt.m_kind = PromptKind::SaveChanges;
    prompt.m_strText = "Save the changes to " + m_document.GetTitle() + " before " + action + "?";
    prompt.m_strDetail = "Changes not saved are lost.";
    switch (ShowPrompt(this, prompt)) {
    case PromptAnswer::Yes: return Save();
    case PromptAnswer::No: return true;
    case PromptAnswer::Cancel: break;
    }
    return false;
}

bool StudioFrame::Save()
{
    if (!m_document.HasLayers())
        return false;
    if (!m_document.HasFile())
        return SaveAs();
    return SaveTo(m_document.GetPath());
}

bool StudioFrame::SaveAs()
{
    if (!m_document.HasLayers())
        return false;
    FileRequest request;
    request.m_ask = FileAsk::SaveScore;
    request.m_strStartPath = m_document.SuggestedPath();
    const std::optional<std::string> chosen = ChooseFile(this, request);
    if (!chosen)
        return false;
    return SaveTo(AbsolutePath(*chosen));
}

bool StudioFrame::SaveTo(const std::string& path)
{
    const bool same = path == m_document.GetPath();
    const OverwriteCase found = CheckOverwrite(path, same ? m_document.GetOwnText() : std::nullopt);
    Prompt prompt;
    prompt.m_kind = PromptKind::Question;
    prompt.m_strNoLabel = "Cancel";
    switch (found) {
    case OverwriteCase::NoFile:
    case OverwriteCase::Unchanged: break;
    case OverwriteCase::ForeignScore:
        prompt.m_strText = FileNameOf(path) + " was not written by Sonnelith Studio. Save over it?";
        prompt.m_strDetail = "The score is kept, but its comments and the way it is laid out are not: the "
                             "studio writes every score in its own layout.";
        prompt.m_strYesLabel = "Save Over It";
        break;
    case OverwriteCase::ChangedOnDisk:
        prompt.m_strText = FileNameOf(path) + " has changed since it was opened here. Save over it?";
        prompt.m_strDetail = "The changes made to it elsewhere are lost.";
        prompt.m_strYesLabel = "Save Over It";
        break;
    case OverwriteCase::OtherFile:
        prompt.m_strText = FileNameOf(path) + " already exists and is not a score. Replace it?";
        prompt.m_strYesLabel = "Replace";
        break;
    }
    if (!prompt.m_strText.empty() && ShowPrompt(this, prompt) != PromptAnswer::Yes)
        return false;
    const std::string text = m_document.TextFor(path);
    if (const std::optional<std::string> failure = WriteFileReplacing(path, text)) {
        ShowError(this, *failure, "The score was not saved; the file there, if any, is as it was.");
        return false;
    }
    m_document.MarkSaved(path, text);
    m_commands.MarkAsSaved();
    m_recovery.Clear();
    m_bRecoveryDue = false;
    ShowStatus("Saved " + path);
    ScoreChanged();
    m_bRecoveryDue = false;
    m_recoveryTimer.Stop();
    return true;
}

void StudioFrame::KeepForRecovery()
{
    if (!m_bRecoveryDue)
        return;
    m_bRecoveryDue = false;
    if (!m_document.HasLayers() || !m_document.IsModified()) {
        m_recovery.Clear();
        return;
    }
    RecoveryRecord record;
    record.m_strDocumentPath = m_document.GetPath();
    record.m_strFolder = m_document.GetFolder();
    record.m_strOpenedFile = m_document.GetOpenedFile();
    record.m_nPreviewSeed = m_document.GetPreviewSeed();
    record.m_nSavedAt = static_cast<std::int64_t>(std::time(nullptr));
    record.m_strScoreText = ScoreFileText(m_document.GetScore(), m_document.GetFolder());
    if (const std::optional<std::string> failure = m_recovery.Keep(record))
        ShowStatus("Unsaved edits cannot be kept for recovery: " + *failure);
}

void StudioFrame::OfferRecovery()
{
    for (const RecoveryRecord& record : m_recovery.FindLeftBehind()) {
        const std::string name = record.m_strDocumentPath.empty()
                                     ? (record.m_strOpenedFile.empty() ? std::string("an unsaved score")
                                                                       : "a new score from " + FileNameOf(record.m_strOpenedFile))
                                     : FileNameOf(record.m_strDocumentPath);
        Prompt prompt;
        prompt.m_kind = PromptKind::Question;
        prompt.m_strText = "Sonnelith Studio ended without saving the changes to " + name + ". Recover them?";
        prompt.m_strDetail = "Last changed " + WhenText(record.m_nSavedAt) +
                             ". They open as unsaved changes; save them to keep them. Declined changes are deleted.";
        prompt.m_strYesLabel = "Recover";
        prompt.m_strNoLabel = "Delete Them";
        if (ShowPrompt(this, prompt) != PromptAnswer::Yes) {
            m_recovery.Remove(record);
            continue;
        }
        const std::string displayName = record.m_strDocumentPath.empty() ? "recovered score" : record.m_strDocumentPath;
        ScoreReading reading = ParseScoreText(record.m_strScoreText, displayName, record.m_strFolder);
        if (!reading.m_score) {
            ShowError(this, "The recovered changes cannot be read.", reading.m_strError);
            m_recovery.Remove(record);
            continue;
        }
        OpenedDocument document;
        document.m_score = std::move(*reading.m_score);
        document.m_origin = DocumentOrigin::Recovered;
        document.m_strPath = record.m_strDocumentPath;
        document.m_strOpenedFile = record.m_strOpenedFile;
        // What the file holds now is what counts as saved.
        std::optional<Score> saved;
        if (!record.m_strDocumentPath.empty()) {
            DocumentOpening onDisk = OpenScoreFile(record.m_strDocumentPath);
            if (onDisk.m_document) {
                saved = onDisk.m_document->m_score;
                document.m_ownText = onDisk.m_document->m_ownText;
            }
        }
        ScoreDocument recovered(std::move(document), record.m_nPreviewSeed);
        recovered.MarkRecovered(saved);
        SetDocument(std::move(recovered));
        m_recovery.Remove(record);
        // Kept again under this studio's own entry until saved.
        m_bRecoveryDue = true;
        KeepForRecovery();
        ShowStatus("Recovered the unsaved changes to " + name);
        return;
    }
}

void StudioFrame::OnClose(wxCloseEvent& event)
{
    if (event.CanVeto() && !ConfirmDiscard("closing")) {
        event.Veto();
        return;
    }
    m_pListening->Pause();
    m_recovery.Clear();
    Destroy();
}

}  // namespace studio

namespace studio {

void StudioFrame::Render()
{
    if (!m_document.HasLayers() || m_bOpening)
        return;
    const std::filesystem::path title(m_document.GetTitle());
    const std::string output =
        (std::filesystem::path(m_document.GetFolder()) / title.stem()).string() + ".wav";
    RenderDialog dialog(this, m_document.GetScore(), m_document.GetSeed(), m_document.GetTitle(),
                        ChoicesOf(m_document.GetScore(), output));
    if (dialog.ShowModal() != wxID_OK)
        return;
    const std::string& report = dialog.GetOutcome().m_strReport;
    const std::size_t last = report.rfind('\n');
    ShowStatus("Rendered " + dialog.GetChoices().m_strOutput +
               (report.empty() ? "" : ": " + report.substr(last == std::string::npos ? 0 : last + 1)));
}

}  // namespace studio
