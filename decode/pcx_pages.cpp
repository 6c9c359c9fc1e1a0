#include "decode/pcx_pages.h"

#include <algorithm>
#include <new>

#include "decode/files.h"
#include "pcx/dcx.h"

namespace glimmer {
PcxPages::PcxPages(const QString& path) : PcxPages(ReadableFile(path)) {}

PcxPages::PcxPages(const ReadableFile& file) {
    try {
        m_bytes = file.readStart(static_cast<qint64>(pcx::kHeaderSize));
        m_dcx = pcx::is_dcx(bytesOf(m_bytes));
        // A refused kind stays refused whatever the file's size.
        const auto kind =
            pcx::check_kind(pcx::PcxHeader::parse(bytesOf(m_bytes)), pcx::Kinds::Every);
        if (m_dcx || kind == pcx::Status::Ok) m_bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        throw Error(errc::OutOfMemory);
    }
    findPages();
}

PcxPages::PcxPages(QByteArray file)
    : m_bytes(std::move(file)), m_dcx(pcx::is_dcx(bytesOf(m_bytes))) {
    findPages();
}

void PcxPages::findPages() {
    const auto bytes = bytesOf(m_bytes);
    if (!m_dcx) {
        m_pages.push_back(bytes);
        return;
    }
    pcx::DcxPages dcx = pcx::dcx_pages(bytes);
    m_table = dcx.status;
    m_pages = std::move(dcx.pages);
}

bool PcxPages::looksLikePcx(const QByteArray& start) {
    return pcx::plausible(pcx::PcxHeader::parse(bytesOf(start))) || pcx::is_dcx(bytesOf(start));
}

bool PcxPages::hasPcxName(const QString& name) {
    return name.endsWith(QLatin1String(".pcx"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".dcx"), Qt::CaseInsensitive);
}

int PcxPages::countIn(const QString& path) {
    {
        const ReadableFile file(path);
        if (!pcx::is_dcx(bytesOf(file.readStart(4)))) return 1;
    }
    return std::max(1, PcxPages(path).count());
}

pcx::Result PcxPages::decode(int i) const {
    return DecodeBytes(m_pages.at(static_cast<std::size_t>(i)), pcx::Kinds::Every);
}

pcx::Result PcxPages::decodeRows(int i, pcx::RowSink& sink) const {
    return pcx::decode_rows(m_pages.at(static_cast<std::size_t>(i)), sink, {pcx::Kinds::Every});
}

} // namespace glimmer
