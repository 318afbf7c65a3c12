#include "formats/flac_score_comment.h"

#include <FLAC/metadata.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/stored_score_layout.h"
#include "wav/file_exception.h"

namespace {

constexpr char kPlaceholderField[] = "COMMENT";  // the field libsndfile writes SF_STR_COMMENT as

struct ChainDeleter {
    void operator()(FLAC__Metadata_Chain* chain) const { FLAC__metadata_chain_delete(chain); }
};
using Chain = std::unique_ptr<FLAC__Metadata_Chain, ChainDeleter>;

struct IteratorDeleter {
    void operator()(FLAC__Metadata_Iterator* iterator) const { FLAC__metadata_iterator_delete(iterator); }
};
using Iterator = std::unique_ptr<FLAC__Metadata_Iterator, IteratorDeleter>;

[[noreturn]] void Fail(const std::string& path, FLAC__Metadata_Chain* chain)
{
    const FLAC__Metadata_ChainStatus status =
        chain != nullptr ? FLAC__metadata_chain_status(chain) : FLAC__METADATA_CHAIN_STATUS_MEMORY_ALLOCATION_ERROR;
    const int error = status == FLAC__METADATA_CHAIN_STATUS_MEMORY_ALLOCATION_ERROR ? ENOMEM
                      : status == FLAC__METADATA_CHAIN_STATUS_ERROR_OPENING_FILE ? ENOENT
                                                                                  : EIO;
    throw FileException(FileException::Cause::Write, path, error);
}

// The placeholder's comment out, the score's in.
bool ReplacePlaceholder(FLAC__StreamMetadata* comments, const std::string& text)
{
    FLAC__metadata_object_vorbiscomment_remove_entries_matching(comments, kPlaceholderField);
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, kFlacScoreField, text.c_str()))
        return false;
    // The block takes the entry over (copy false) and frees it with itself.
    if (FLAC__metadata_object_vorbiscomment_append_comment(comments, entry, false))
        return true;
    std::free(entry.entry);
    return false;
}

}  // namespace

std::string FlacScorePlaceholder(const std::string& text)
{
    const std::size_t grows = std::strlen(kFlacScoreField) - std::strlen(kPlaceholderField);
    return std::string(text.size() + grows, '.');
}

void PutScoreInFlacComments(const std::string& path, const std::string& text)
{
    Chain chain(FLAC__metadata_chain_new());
    if (!chain || !FLAC__metadata_chain_read(chain.get(), path.c_str()))
        Fail(path, chain.get());
    Iterator iterator(FLAC__metadata_iterator_new());
    if (!iterator)
        Fail(path, nullptr);
    FLAC__metadata_iterator_init(iterator.get(), chain.get());
    while (FLAC__metadata_iterator_get_block_type(iterator.get()) != FLAC__METADATA_TYPE_VORBIS_COMMENT) {
        if (!FLAC__metadata_iterator_next(iterator.get()))
            throw FileException(FileException::Cause::Write, path, EINVAL);
    }
    if (!ReplacePlaceholder(FLAC__metadata_iterator_get_block(iterator.get()), text))
        throw FileException(FileException::Cause::Write, path, ENOMEM);
    // Same size: written in place. Should the sizes ever differ, libFLAC
    // rewrites the file through a copy, keeping its permissions and owner.
    if (!FLAC__metadata_chain_write(chain.get(), true, true))
        Fail(path, chain.get());
}
