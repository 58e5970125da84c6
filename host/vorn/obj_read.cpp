#include "obj_io.h"

#include "file_input.h"
#include "obj_count.h"
#include "obj_piece.h"
#include "text_excerpt.h"
#include "text_numbers.h"

#include "teskar/mesh_builder.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>

namespace vorn {

using VORNSDK::Index;
using obj::ParsedPiece;
using obj::RawCorner;
using obj::RawFace;

namespace {

// The text is cut into chunks of whole lines of about kChunk bytes; every thread parses the next
// chunk or puts the next parsed one into the mesh, in file order. Texts below kSplitAbove are read
// on one thread: another costs more than it saves there.
constexpr std::size_t kChunk = std::size_t(512) << 10;
constexpr std::size_t kSplitAbove = std::size_t(256) << 10;
// A mapped file's pages are given back in steps of this much read text.
constexpr std::size_t kReleaseStep = std::size_t(8) << 20;

// Threads to read a text of that size with.
std::size_t reading_threads(std::size_t size)
{
    if (size < kSplitAbove)
        return 1;
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

// The first whole lines of text that add up to at least size bytes (or all of it).
std::string_view first_lines(std::string_view text, std::size_t size)
{
    if (size >= text.size())
        return text;
    std::size_t const line_end = text.find('\n', size == 0 ? 0 : size - 1);
    return text.substr(0, line_end == std::string_view::npos ? text.size() : line_end + 1);
}

// The text cut into n runs of whole lines of about equal size (the last ones may be empty).
std::vector<std::string_view> split_lines(std::string_view text, std::size_t n)
{
    std::vector<std::string_view> parts;
    std::size_t const size = text.size() / n;
    for (std::size_t k = 0; k < n; ++k) {
        parts.push_back(k + 1 == n ? text : first_lines(text, size));
        text.remove_prefix(parts.back().size());
    }
    return parts;
}

// Runs work(k) for k in [0, n): k = 0 here, the others on threads of their own.
template <class Work>
void on_threads(std::size_t n, Work const& work)
{
    std::vector<std::jthread> others;
    for (std::size_t k = 1; k < n; ++k)
        others.emplace_back([&work, k] { work(k); });
    work(0);
}

// Counts the text on every thread; pages of a mapped file are given back as they are counted.
ObjCounts count_obj(std::string_view text, MappedFile const* file)
{
    std::vector<std::string_view> const parts = split_lines(text, reading_threads(text.size()));
    std::vector<ObjCounts> counts(parts.size());
    on_threads(parts.size(), [&](std::size_t k) {
        for (std::string_view rest = parts[k]; !rest.empty();) {
            std::string_view const block = first_lines(rest, kReleaseStep);
            counts[k] += count_obj_lines(block);
            if (file)
                file->release(block);
            rest.remove_prefix(block.size());
        }
    });
    ObjCounts total;
    for (ObjCounts const& c : counts)
        total += c;
    return total;
}

// Puts parsed pieces into the mesh in order, checking each face's indices against what the file
// had read before it.
class ObjBuilder {
public:
    ObjBuilder(teskar::Mesh& mesh, ObjCounts const& counts, ObjMaterials const& materials)
        : mesh_(mesh), build_(mesh, counts.points, counts.polygons, counts.corners), materials_(materials)
    {
    }

    // False on the first fault, with error() saying "LINE: reason" relative to the file.
    bool add(ParsedPiece const& piece)
    {
        if (std::int64_t(points_) < piece.quick_reach)
            return add_checking_each_face(piece);
        build_.add_points(piece.points);
        std::size_t quick_face = 0, quick_point = 0, next_face = 0, next_material = 0;
        // Quick faces go in together up to the next face kept as written or the next material.
        for (std::size_t ordinal = 0;;) {
            std::size_t const face_at = next_face < piece.faces.size() ? piece.faces[next_face].ordinal : piece.face_count;
            std::size_t const material_at = next_material < piece.materials.size() ? piece.materials[next_material].first
                                                                                     : piece.face_count + 1;
            std::size_t const quick = std::min(face_at, material_at) - ordinal;
            add_quick(piece, quick_face, quick_point, quick);
            ordinal += quick;
            if (material_at == ordinal) {
                add_batch(piece);
                use_material(piece.materials[next_material++].second);
                continue;
            }
            if (ordinal == piece.face_count)
                break;
            RawFace const& f = piece.faces[next_face++];
            ++ordinal;
            if (ready(f)) {
                batch(piece, f);
                continue;
            }
            add_batch(piece);
            if (!face(piece, f, true))
                return false;
        }
        add_batch(piece);
        if (piece.fault) {
            if (piece.faulty_face && !face(piece, *piece.faulty_face, false))
                return false;
            error_ = std::to_string(lines_ + piece.fault->first) + ": " + piece.fault->second;
            return false;
        }
        points_ += piece.points.size();
        normals_ += piece.normals;
        uvs_.insert(uvs_.end(), piece.uvs.begin(), piece.uvs.end());
        lines_ += piece.lines;
        return true;
    }

    std::string const& error() const { return error_; }

    void finish()
    {
        build_.finish();
        for (auto const& [f, material] : polygon_materials_)
            mesh_.set_polygon_material(f, material);
        for (auto& [f, values] : corner_values_)
            mesh_.set_corner_values(uv_map_, f, std::move(values));
    }

private:
    void use_material(std::string const& name)
    {
        material_ = name.empty() || !materials_ ? VORNSDK::Component() : materials_(name);
    }

    bool fail(std::size_t line, std::string reason)
    {
        error_ = std::to_string(lines_ + line) + ": " + std::move(reason);
        return false;
    }

    // Part k (point, texture coordinate, normal) of a corner's word, for messages.
    static std::string_view written_part(ParsedPiece const& piece, RawCorner const& c, std::size_t k)
    {
        std::string_view part = piece.text.substr(c.word_at);
        part = part.substr(0, std::min(part.find_first_of(" \t\r\n#"), part.size()));
        for (; k > 0; --k)
            part.remove_prefix(part.find('/') + 1);
        return part.substr(0, part.find('/'));
    }

    // Part k of a corner: a 1-based index, or a negative one counting back from the last element
    // read so far, of count elements.
    bool resolve(ParsedPiece const& piece, RawCorner const& c, std::size_t k, std::size_t count, std::size_t line,
                 Index& out)
    {
        static constexpr char const* kWhat[] = {"point", "texture coordinate", "normal"};
        std::int32_t const written = k == 0 ? c.point : k == 1 ? c.uv : c.normal;
        long long const i = written == obj::kZeroIndex ? 0 : written;
        long long const resolved = i < 0 ? static_cast<long long>(count) + i : i - 1;
        if (i == 0 || resolved < 0 || resolved >= static_cast<long long>(count))
            return fail(line, std::string(kWhat[k]) + " index " + excerpt(written_part(piece, c, k)) + " out of range (" +
                                  std::to_string(count) + " " + kWhat[k] + "s)");
        out = static_cast<Index>(resolved);
        return true;
    }

    // A quick face of the piece names a point the file has not read by then: the piece is read
    // again with every face kept as written, which finds that face and says what is wrong.
    bool add_checking_each_face(ParsedPiece const& piece)
    {
        ParsedPiece again;
        obj::parse_piece(piece.text, again, false);
        return add(again);
    }

    // The next n quick faces, at quick_face and quick_point of the piece's lists.
    void add_quick(ParsedPiece const& piece, std::size_t& quick_face, std::size_t& quick_point, std::size_t n)
    {
        if (n == 0)
            return;
        add_batch(piece);
        std::span<std::uint16_t const> const sizes = std::span(piece.quick_sizes).subspan(quick_face, n);
        std::size_t corners = 0;
        for (std::uint16_t size : sizes)
            corners += size;
        Index const first = build_.add_checked_polygons(sizes, std::span(piece.quick_points).subspan(quick_point, corners));
        if (material_)
            for (std::size_t k = 0; k < n; ++k)
                polygon_materials_.emplace_back(first + Index(k), material_);
        quick_face += n;
        quick_point += corners;
    }

    // A plain face whose largest indices are within what the file had read before it: it needs
    // no other check.
    bool ready(RawFace const& f) const
    {
        return f.plain && std::size_t(f.largest[0]) <= points_ + f.points_before &&
               std::size_t(f.largest[1]) <= uvs_.size() + f.uvs_before &&
               std::size_t(f.largest[2]) <= normals_ + f.normals_before;
    }

    // Faces ready to go in are gathered and put into the mesh together.
    void batch(ParsedPiece const& piece, RawFace const& f)
    {
        batch_faces_.push_back(&f);
        batch_sizes_.push_back(static_cast<std::uint16_t>(f.corners));
        for (RawCorner const& c : std::span(piece.corners).subspan(f.first_corner, f.corners))
            batch_corners_.push_back(Index(c.point - 1));
    }

    void add_batch(ParsedPiece const& piece)
    {
        if (batch_faces_.empty())
            return;
        Index const first = build_.add_checked_polygons(batch_sizes_, batch_corners_);
        for (std::size_t k = 0; k < batch_faces_.size(); ++k) {
            RawFace const& f = *batch_faces_[k];
            if (material_)
                polygon_materials_.emplace_back(first + Index(k), material_);
            if (f.every_uv) {
                corner_uvs_.clear();
                for (RawCorner const& c : std::span(piece.corners).subspan(f.first_corner, f.corners))
                    corner_uvs_.push_back(Index(c.uv - 1));
                add_uvs(piece, first + Index(k));
            }
        }
        batch_faces_.clear();
        batch_sizes_.clear();
        batch_corners_.clear();
    }

    // Checks a face's corners in order, each against what the file had read before it; a whole
    // face then goes into the mesh.
    bool face(ParsedPiece const& piece, RawFace const& f, bool whole)
    {
        corners_.clear();
        corner_uvs_.clear();
        std::size_t const points = points_ + f.points_before, uvs = uvs_.size() + f.uvs_before,
                          normals = normals_ + f.normals_before;
        for (std::size_t k = 0; k < f.corners; ++k) {
            RawCorner const& c = piece.corners[f.first_corner + k];
            if (c.point == 0)
                break; // the corner the fault stopped in, before its point was read
            Index p = 0, t = 0, unused = 0;
            if (!resolve(piece, c, 0, points, f.line, p))
                return false;
            if (std::find(corners_.begin(), corners_.end(), p) != corners_.end())
                return fail(f.line, "face uses point " + std::to_string(p + 1) + " twice");
            corners_.push_back(p);
            if (c.uv != 0) {
                if (!resolve(piece, c, 1, uvs, f.line, t))
                    return false;
                corner_uvs_.push_back(t);
            }
            if (c.normal != 0 && !resolve(piece, c, 2, normals, f.line, unused))
                return false;
        }
        if (!whole)
            return true;
        Index const polygon = build_.add_checked_polygon(corners_);
        if (material_)
            polygon_materials_.emplace_back(polygon, material_);
        if (f.every_uv)
            add_uvs(piece, polygon);
        return true;
    }

    // Gives the polygon the texture coordinates listed in corner_uvs_.
    void add_uvs(ParsedPiece const& piece, Index polygon)
    {
        if (corner_values_.empty())
            uv_map_ = mesh_.add_vertex_map("UV", 2);
        std::vector<float> values;
        values.reserve(2 * corner_uvs_.size());
        for (Index t : corner_uvs_) {
            auto const& uv = t < uvs_.size() ? uvs_[t] : piece.uvs[t - uvs_.size()];
            values.insert(values.end(), uv.begin(), uv.end());
        }
        corner_values_.emplace_back(polygon, std::move(values));
    }

    teskar::Mesh& mesh_;
    teskar::MeshBuilder build_;
    ObjMaterials const& materials_;
    VORNSDK::Component material_;
    std::size_t points_ = 0, normals_ = 0, lines_ = 0;
    std::vector<std::array<float, 2>> uvs_;
    std::vector<Index> corners_, corner_uvs_;
    std::vector<RawFace const*> batch_faces_;
    std::vector<std::uint16_t> batch_sizes_;
    std::vector<Index> batch_corners_;
    // What goes onto the polygons once the mesh is whole.
    std::vector<std::pair<Index, VORNSDK::Component>> polygon_materials_;
    std::vector<std::pair<Index, std::vector<float>>> corner_values_;
    std::size_t uv_map_ = 0;
    std::string error_;
};

// Parses chunks of the text on several threads and puts them into the mesh in order. A thread
// first puts in the next chunk in order when it is parsed and no one else is putting one in;
// otherwise it parses the next unread chunk when a slot is free for it; otherwise it waits.
class ObjPipeline {
public:
    ObjPipeline(std::string_view text, ObjBuilder& builder, MappedFile const* file, std::size_t threads)
        : text_(text), builder_(builder), file_(file), slots_(2 * threads) {}

    // False at the first fault, which the builder then names. What a thread throws (running out
    // of memory) stops the others and is thrown again here.
    bool run(std::size_t threads)
    {
        on_threads(threads, [this](std::size_t) {
            try {
                work();
            } catch (...) {
                std::lock_guard const lock(mutex_);
                thrown_ = thrown_ ? thrown_ : std::current_exception();
                failed_ = true;
                changed_.notify_all();
            }
        });
        if (thrown_)
            std::rethrow_exception(thrown_);
        return !failed_;
    }

private:
    enum class State { kFree, kParsing, kParsed };
    struct Slot {
        ParsedPiece piece;
        std::size_t order = 0;
        State state = State::kFree;
    };

    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (failed_ || (read_ == text_.size() && next_to_add_ == next_order_)) {
                changed_.notify_all();
                return;
            }
            if (Slot* const next = slot_to_add()) {
                adding_ = true;
                lock.unlock();
                bool const ok = builder_.add(next->piece);
                if (ok)
                    give_back(next->piece.text);
                lock.lock();
                adding_ = false;
                failed_ = !ok;
                next->state = State::kFree;
                ++next_to_add_;
            } else if (Slot* const free = free_slot(); free && read_ < text_.size()) {
                free->order = next_order_++;
                free->state = State::kParsing;
                std::string_view const chunk = next_chunk();
                lock.unlock();
                obj::parse_piece(chunk, free->piece);
                lock.lock();
                free->state = State::kParsed;
            } else {
                changed_.wait(lock);
                continue;
            }
            changed_.notify_all();
        }
    }

    Slot* slot_to_add()
    {
        if (adding_)
            return nullptr;
        for (Slot& slot : slots_)
            if (slot.state == State::kParsed && slot.order == next_to_add_)
                return &slot;
        return nullptr;
    }

    Slot* free_slot()
    {
        for (Slot& slot : slots_)
            if (slot.state == State::kFree)
                return &slot;
        return nullptr;
    }

    std::string_view next_chunk()
    {
        std::string_view const chunk = first_lines(text_.substr(read_), kChunk);
        read_ += chunk.size();
        return chunk;
    }

    // Gives back the mapped pages before the end of a chunk put into the mesh, in steps.
    void give_back(std::string_view chunk)
    {
        std::size_t const done = std::size_t(chunk.data() - text_.data()) + chunk.size();
        if (file_ && (done - released_ >= kReleaseStep || done == text_.size())) {
            file_->release(text_.substr(released_, done - released_));
            released_ = done;
        }
    }

    std::string_view const text_;
    ObjBuilder& builder_;
    MappedFile const* const file_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t read_ = 0, next_order_ = 0, next_to_add_ = 0;
    bool adding_ = false, failed_ = false;
    std::exception_ptr thrown_;
    // Only the thread putting chunks in touches it.
    std::size_t released_ = 0;
};

bool read_obj_text(std::string_view text, std::string const& file, teskar::Mesh& mesh, ObjMaterials const& materials,
                   MappedFile const* mapped, std::string& error)
{
    ObjBuilder builder(mesh, count_obj(text, mapped), materials);
    std::size_t const threads = reading_threads(text.size());
    bool const read = ObjPipeline(text, builder, mapped, threads).run(threads);
    builder.finish();
    if (!read)
        error = file + ":" + builder.error();
    return read;
}

} // namespace

bool read_obj(std::string_view text, std::string const& file, teskar::Mesh& mesh, ObjMaterials const& materials,
              std::string& error)
{
    return read_obj_text(text, file, mesh, materials, nullptr, error);
}

bool read_obj_file(std::string const& path, teskar::Mesh& mesh, ObjMaterials const& materials, std::string& error)
{
    MappedFile file;
    return file.open(path, error) && read_obj_text(file.text(), path, mesh, materials, &file, error);
}

} // namespace vorn
