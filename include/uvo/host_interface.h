/** @file uvo/host_interface.h
 * uvo host contract: everything a host renderer and the uvo shader library
 * share.  Pure C (C99 and C++), plain records with fixed layouts.
 *
 * How a host uses the library:
 *   1. dlopen() the library, then call rxSetModuleHandle() with the handle of
 *      the module that exports the host functions declared at the end of this
 *      file (dlopen(NULL, ...) when the executable exports them itself).
 *   2. For each shader it uses: NAME_version(), NAME_init(state, NULL, &req),
 *      NAME_init(state, params, &req) once per instance (when req was set),
 *      NAME(result, state, params) per ray or pass, NAME_exit(state, params)
 *      per instance, NAME_exit(state, NULL) once.
 *   3. Parameter blocks are laid out from the shader declarations shipped in
 *      share/uvo/shaders/NAME.json: 32-bit slots in declaration order.
 *
 * Spaces: "internal" space is the host's world space unless it says otherwise;
 * the library converts with the transform functions below.  All directions
 * handed to the library are unit length unless stated.
 */
#ifndef UVO_HOST_INTERFACE_H
#define UVO_HOST_INTERFACE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define UVO_HOST_INTERFACE_VERSION 1

/* ------------------------------------------------------------------------ */
/* Basic types                                                              */
/* ------------------------------------------------------------------------ */

typedef int32_t Boolean;  /**< every boolean crossing the boundary: 0 false, else true */
typedef uint32_t Tag;     /**< handle of an element of the host database; 0 = none */

typedef struct Color { float r, g, b, a; } Color;    /**< linear radiance or weight */
typedef struct Vector3 { float x, y, z; } Vector3;
typedef float Matrix[16];  /**< row-major 4x4, row vectors: p' = p * M, row 3 = translation */

/* ------------------------------------------------------------------------ */
/* Named constants                                                          */
/* ------------------------------------------------------------------------ */

/** ShadingState.ray_type */
enum {
    UVO_RAY_EYE = 0,                 /**< camera ray */
    UVO_RAY_TRANSPARENT = 1,         /**< continuation through a surface */
    UVO_RAY_REFLECT = 2,
    UVO_RAY_REFRACT = 3,
    UVO_RAY_LIGHT = 4,               /**< light shader call for a light sample */
    UVO_RAY_SHADOW = 5,              /**< surface shaders called along a shadow ray */
    UVO_RAY_ENVIRONMENT = 6,
    UVO_RAY_NONE = 7,                /**< shader called outside any ray (init, output) */
    UVO_RAY_PHOTON_ABSORB = 8,
    UVO_RAY_PHOTON_EMIT = 9,         /**< photon leaving its light */
    UVO_RAY_PHOTON_REFLECT_SPECULAR = 10,
    UVO_RAY_PHOTON_REFLECT_GLOSSY = 11,
    UVO_RAY_PHOTON_REFLECT_DIFFUSE = 12,
    UVO_RAY_PHOTON_TRANSMIT_SPECULAR = 13,
    UVO_RAY_PHOTON_TRANSMIT_GLOSSY = 14,
    UVO_RAY_PHOTON_TRANSMIT_DIFFUSE = 15,
    UVO_RAY_DISPLACE = 16,           /**< displacement evaluation: surface shaders decline */
    UVO_RAY_OUTPUT = 17,
    UVO_RAY_PHOTON_VOLUME = 18,
    UVO_RAY_PHOTON_TRANSPARENT = 19, /**< photon passing straight through */
    UVO_RAY_GATHER = 20              /**< indirect-light gather ray (cheap shading) */
};

/** Shader kinds: rx_call_shader's kind argument and the answer of
 * UVO_QUERY_CALL_KIND (what the host is calling the current shader as). */
enum {
    UVO_SHADER_LENS = 0,
    UVO_SHADER_MATERIAL = 1,
    UVO_SHADER_LIGHT = 2,
    UVO_SHADER_SHADOW = 3,
    UVO_SHADER_ENVIRONMENT = 4,
    UVO_SHADER_VOLUME = 5,
    UVO_SHADER_TEXTURE = 6,          /**< also bump shaders */
    UVO_SHADER_PHOTON = 7,
    UVO_SHADER_PHOTON_EMITTER = 10,  /**< light shader asked to emit a photon */
    UVO_SHADER_OUTPUT = 11
};

/** rx_query codes.  "item" is the Tag the question is about (0 when unused),
 * "answer" points at the type given; the result is non-zero when answered. */
enum {
    UVO_QUERY_LIGHT_TAG = 7,          /**< item light instance -> Tag of its light (HostLight) */
    /** Light geometry: on a light (HostLight) Tag in light space, on a light
       instance Tag in internal space (the light as placed in the scene). */
    UVO_QUERY_LIGHT_DIRECTION = 32,   /**< item light -> Vector3, direction of emission */
    UVO_QUERY_LIGHT_EDGE_U = 33,      /**< item light -> Vector3, rectangle edge u */
    UVO_QUERY_LIGHT_EDGE_V = 34,      /**< item light -> Vector3, rectangle edge v */
    UVO_QUERY_MATERIAL_SHADER = 43,   /**< item material -> Tag of its surface shader */
    UVO_QUERY_USER_DATA_SLOT = 51,    /**< item 0 -> void ** : the current instance's user-data slot */
    UVO_QUERY_INSTANCE_LOCK = 52,     /**< item 0 -> HostLock : the current instance's lock */
    UVO_QUERY_LIGHT_COUNT = 70,       /**< -> int32_t : number of lights of the render */
    UVO_QUERY_LIGHT_LIST = 71,        /**< -> Tag * : the render's light instances */
    UVO_QUERY_DECLARATION_VERSION = 89, /**< item declaration Tag -> int32_t version; state may be null */
    UVO_QUERY_GATHER_CONTEXT = 116,   /**< -> int32_t; fails (returns 0) on rays with reduced sampling */
    UVO_QUERY_SCENE_BOX_ALL = 120,    /**< -> Vector3[2] min, max of everything (geometry, camera, lights) */
    UVO_QUERY_SCENE_BOX = 122,        /**< -> Vector3[2] min, max of the rendered geometry */
    UVO_QUERY_THREAD_CELL = 124,      /**< -> void ** : this thread's cell for the instance, or null */
    UVO_QUERY_REGISTER_CELL = 126,    /**< answer: void ** (in) to register as this thread's cell */
    UVO_QUERY_THREAD_CELLS = 127,     /**< -> HostCellList : every registered cell of the instance */
    UVO_QUERY_CALL_KIND = 140,        /**< -> int32_t UVO_SHADER_* of the current call */
    UVO_QUERY_REDUCED_RAY = 142,      /**< -> int32_t non-zero on rays that should be shaded cheaply */
    UVO_QUERY_PREPARE_STATE = 143,    /**< item 0; the host completes a hand-made eye state */
    UVO_QUERY_PRIVATE_OUTPUTS = 160   /**< -> int32_t non-zero: multi-output result is not writable in place */
};

/** Light kinds and area shapes of HostLight. */
enum { UVO_LIGHT_POINT = 0, UVO_LIGHT_DIRECTIONAL = 1, UVO_LIGHT_SPOT = 2 };
enum {
    UVO_AREA_NONE = 0,
    UVO_AREA_RECTANGLE = 1,
    UVO_AREA_DISC = 2,
    UVO_AREA_SPHERE = 3
};

/** Shadow modes (RenderOptions.shadow_mode). */
#define UVO_SHADOW_OFF 0
#define UVO_SHADOW_ON 'o'
#define UVO_SHADOW_SORTED 'l'
#define UVO_SHADOW_SEGMENTS 's'   /**< shadow rays continued segment by segment */

/** RenderOptions.render_mode */
#define UVO_RENDER_RAYTRACE 0
#define UVO_RENDER_RASTERIZER 'r'

/** Faces for rx_compute_avg_radiance. */
#define UVO_FACE_FRONT 'f'
#define UVO_FACE_BACK 'b'

/** Lifetimes of shader-state entries (rx_shaderstate_set). */
enum {
    UVO_LIFETIME_SHADER = 1,   /**< dropped when the shader call that set it returns */
    UVO_LIFETIME_RAY = 2       /**< kept for the whole ray tree below the state */
};

/** Shader-state keys used by the library. */
#define UVO_KEY_IMPORTANCE "rxIM"          /**< float: importance of the ray tree branch */
#define UVO_KEY_GATHER_PARENT "KEY_10"     /**< present: eye ray below an indirect-light gather */
#define UVO_KEY_MATERIAL_API "rxXMST"      /**< MaterialApiRecord filled by the material */
#define UVO_KEY_LIGHT_LOOP "rxXMLD"        /**< LightLoopInfo, written during the light loop */
#define UVO_KEY_HOST_LIGHT_FLAGS "hostbase" /**< HostLightFlags of the host application */
#define UVO_KEY_SKY_IS_HDR "SKY_IS_HDR"    /**< int32: 1 when a sky shader was met */

/* ------------------------------------------------------------------------ */
/* Host records                                                             */
/* ------------------------------------------------------------------------ */

/** The camera.  Filled by the host before rendering; read-only for shaders. */
typedef struct Camera {
    Boolean orthographic;   /**< non-zero: orthographic projection (sky lens and volume calls then
                               skip aerial perspective) */
    float focal;            /**< focal length, scene units (distance of the image plane) */
    float aperture;         /**< film width, same units as focal */
    float aspect;           /**< image aspect, width over height */
    int32_t x_resolution;   /**< image width in pixels */
    int32_t y_resolution;   /**< image height in pixels */
    float x_offset;         /**< image-plane offset, pixels */
    float y_offset;
    Tag environment;        /**< environment shader of the camera, 0 = none */
    Tag frame_buffers;      /**< frame-buffer set (see HostShaderInterface) */
    float clip_near;        /**< clipping distances along -z, scene units */
    float clip_far;
    int32_t reserved[3];    /**< zero */
} Camera;

/** Render options.  Filled by the host; shaders may point a state at a private
 * copy (the light surface does) but never write the host's record. */
typedef struct RenderOptions {
    Boolean ray_tracing;         /**< non-zero: secondary rays are traced */
    char shadow_mode;            /**< UVO_SHADOW_* */
    char render_mode;            /**< UVO_RENDER_*: 'r' rasterizer as primary renderer */
    uint8_t caustics;            /**< non-zero: caustic photons are rendered */
    uint8_t depth_limit;         /**< one-byte depth limit for gather shading (reflection depth) */
    Boolean contour[2];          /**< the two contour flags; both set: contour pass, no interpolation */
    Boolean final_gather;        /**< indirect-light gathering switch */
    /** Indirect-light request block, copied in this order into IndirectRequest: */
    int32_t gather_rays;         /**< rays per gather point */
    float gather_max_radius;     /**< scene units */
    float gather_min_radius;
    uint8_t gather_view;         /**< radii in pixels when non-zero */
    uint8_t gather_filter;       /**< speckle filter size */
    uint8_t pad0[2];
    int32_t gather_points;       /**< points interpolated per look-up */
    float gather_falloff_start;  /**< scene units */
    int32_t gather_depth;        /**< diffuse bounces */
    float gather_falloff_stop;
    /** end of the request block */
    Color luminance_weights;     /**< r, g, b weights of luminance, used by rx_luminance */
    float photon_weights[3];     /**< r, g, b weights measuring photon energy */
    Boolean box_all;             /**< bounding-box flag: scene-box queries use UVO_QUERY_SCENE_BOX_ALL */
    float shutter_open;          /**< seconds */
    float shutter_close;
    int32_t samples;             /**< samples per pixel the host takes */
    int32_t verbosity;           /**< 0 errors .. 4 debug: what the host prints */
    int32_t reserved[4];         /**< zero */
} RenderOptions;

/* One texture space of a hit and the derivative list: host-filled vectors. */

/** The shader record of the call: which declaration, and where the block's
 * connection flags are.  Filled by the host for every shader call. */
typedef struct ShaderRecord {
    Tag declaration;           /**< Tag of the shader's declaration (for UVO_QUERY_DECLARATION_VERSION) */
    uint32_t connection_offset; /**< bytes from the parameter block's start to its table of 32-bit
                                   connection flags, one per 32-bit slot; 0: nothing connected */
    void *parameters;          /**< the parameter block itself */
    void *host;                /**< host's own */
} ShaderRecord;

typedef struct ShadingState ShadingState;

/** The per-ray state.  The host fills everything before it calls a shader
 * (the child and parent links, ray, hit and context); shaders may change the
 * ray, point, normals, user record, light instance and options pointer but put
 * them back before they return unless their documentation says otherwise. */
struct ShadingState {
    int32_t ray_type;              /**< UVO_RAY_* of the ray this call shades */
    int32_t reflection_depth;      /**< reflections on the path from the eye */
    int32_t refraction_depth;      /**< refractions on the path from the eye */
    float importance;              /**< importance of this branch (mirror of "rxIM") */
    ShadingState *parent;          /**< state of the ray that spawned this one; null at the root */
    ShadingState *child;           /**< state the host uses for rays traced from here */
    Vector3 origin;                /**< ray origin, internal space */
    Vector3 direction;             /**< ray direction, internal space, unit */
    double distance;               /**< hit distance along the ray; 0 when nothing was hit */
    Vector3 point;                 /**< hit point, internal space */
    Vector3 normal;                /**< shading normal, internal space, unit, faces the ray */
    Vector3 normal_geom;           /**< geometric normal, internal space, unit, faces the ray */
    float dot_nd;                  /**< dot(normal, direction): negative when the ray meets the front */
    Boolean inside;                /**< non-zero: the ray travels inside a closed object */
    uint8_t pass_through;          /**< non-zero: the hit surface lets the ray continue */
    uint8_t sample_level;          /**< sampling context, 8-bit part (steers the host's sequences) */
    uint8_t pad0[2];
    uint32_t sample_instance;      /**< sampling context, 32-bit part */
    float time;                    /**< shutter time of the ray, seconds */
    float raster_x;                /**< raster position, pixels */
    float raster_y;
    Vector3 tex;                   /**< texture coordinate of texture space 0 */
    Vector3 *tex_list;             /**< texture coordinates of every texture space, or null */
    int32_t tex_count;             /**< entries of tex_list */
    Vector3 bary;                  /**< barycentric coordinates of the hit in its triangle */
    const void *hit_object;        /**< host's reference to the object hit; null: none */
    const void *primitive;         /**< host's handle of the hit primitive; null disables self-hit culling */
    Vector3 aux;                   /**< auxiliary vector (camera distance in x after the material) */
    Tag light_instance;            /**< light being sampled (light shaders), or 0 */
    Tag environment;               /**< environment shader for rays that leave the scene */
    Tag material;                  /**< material of the hit */
    Tag volume;                    /**< volume shader in force, 0 = none */
    void *user;                    /**< private record a shader hands to the shaders of its child rays */
    int32_t user_size;             /**< bytes of user; 0 with user null */
    ShaderRecord *shader;          /**< shader being called */
    const Camera *camera;
    const RenderOptions *options;
    const Vector3 *derivs;         /**< derivative list: dP/du, dP/dv (object space), or null */
    const Vector3 *bump_x;         /**< bump basis u, object space, or null */
    const Vector3 *bump_y;         /**< bump basis v, object space, or null */
    void *host;                    /**< host's own per-state data; the library never reads it */
};

/** A host light record, read through rx_db_access on the Tag that
 * UVO_QUERY_LIGHT_TAG answers.  Its first 32-bit field is the kind. */
typedef struct HostLight {
    int32_t kind;            /**< UVO_LIGHT_* */
    int32_t area;            /**< UVO_AREA_*; non-zero: an area light */
    Boolean visible;         /**< area light's surface is visible to rays */
    int32_t low_samples;     /**< low-sample level: samples on reduced rays, 0 = none given.
                              * A 16-bit signed level to the material (on unimportant rays it
                              * sets the reflection depth to level + 1), kept in a full 32-bit
                              * field so the record has no hidden padding and a host fills it
                              * like its other integers; the material takes a value outside
                              * [-32768, 32767] as the nearest end of that range. */
    Vector3 origin;          /**< light space */
    Vector3 direction;       /**< light space, direction of emission */
    Vector3 edge_u;          /**< rectangle edges, light space */
    Vector3 edge_v;
    Color energy;            /**< photon energy */
    Tag shader;              /**< light shader, 0 = none */
    int32_t samples;         /**< samples per call */
} HostLight;

/** The array answered by UVO_QUERY_THREAD_CELLS. */
typedef struct HostCellList {
    void ***cells;     /**< every cell registered for the instance */
    int32_t count;
} HostCellList;

typedef void *HostLock;   /**< answered by UVO_QUERY_INSTANCE_LOCK; for rx_lock/rx_unlock */

/** A host image, from rx_output_image_open, rx_img_image_dbcreate or
 * rx_img_pyramid_get_level. */
typedef struct HostImage HostImage;

/** Description handed to rx_img_image_dbcreate: exactly 256 bytes, zero but for
 * the fields given. */
typedef struct HostImageDesc {
    int32_t width, height;
    int32_t bits;            /**< bits per component */
    int32_t components;      /**< channels */
    int32_t filter;          /**< 1: build a pyramid of half-size levels */
    float gamma;
    int32_t type;            /**< 13: float RGBA */
    int32_t component_size;  /**< bytes per component */
    char name[224];          /**< file name the image would have */
} HostImageDesc;

/** Frame-buffer accessor of the shader interface (version 2). */
typedef struct HostFramebuffers HostFramebuffers;
struct HostFramebuffers {
    /** Look a user frame buffer up by name: non-zero when found, its number in *index. */
    Boolean (*find)(HostFramebuffers *self, const char *name, int32_t *index);
    void (*release)(HostFramebuffers *self);
};

/** The host's shader interface, from rx_get_shader_interface. */
typedef struct HostShaderInterface HostShaderInterface;
struct HostShaderInterface {
    int32_t version;
    /** The accessor of the frame-buffer set 'set' (Camera.frame_buffers), or null. */
    HostFramebuffers *(*framebuffers)(HostShaderInterface *self, Tag set);
    void (*release)(HostShaderInterface *self);
};

/* ------------------------------------------------------------------------ */
/* Records shared through shader-state keys and user records               */
/* ------------------------------------------------------------------------ */

/** Under "rxXMLD" while the material's light loop runs: light shaders read and
 * may lower the scales.  Filled by the material. */
typedef struct LightLoopInfo {
    int32_t size;            /**< 28 */
    float glossiness;        /**< the material's reflection glossiness */
    float importance;        /**< importance of the shading call */
    float diffuse_scale;     /**< 1 before each light; multiplies the diffuse cosine */
    float specular_scale;    /**< 1 before each light; multiplies the highlight */
    int32_t physical_light;  /**< 0 before each light; a physical light sets 1 */
    int32_t force_specular;  /**< 0 before each light; non-zero forces the highlight */
} LightLoopInfo;

/** Under "hostbase": the host application's flags, looked up, never created. */
#define UVO_HOST_LIGHT_FLAGS_EMIT_DIFFUSE 100   /**< byte offset of int32 emit_diffuse */
#define UVO_HOST_LIGHT_FLAGS_EMIT_SPECULAR 104  /**< byte offset of int32 emit_specular */
typedef struct HostLightFlags {
    uint8_t host[100];       /**< the host application's own fields */
    int32_t emit_diffuse;    /**< 0 switches the diffuse term of the current light off */
    int32_t emit_specular;   /**< 0 switches the highlight of the current light off */
} HostLightFlags;

/** Under "rxXMST": a caller of the material asks for its components.  The first
 * slot is the record's size in bytes (208 or 416) and selects the layout. */
#define UVO_MATERIAL_API_SMALL 208
#define UVO_MATERIAL_API_FULL 416
typedef struct MaterialApiRecord {
    int32_t interface_version;  /**< 208 or 416, set by the caller */
    int32_t claimed;            /**< 0 from the caller; the first material to fill it sets 1 */
    union {
        struct {
            float opacity;              /**< cut-out opacity */
            Color indirect, direct_diffuse, highlight, translucency;
            Color reflection, refraction, additional, occlusion;
            Color diffuse_weight, reflection_weight, refraction_weight, translucency_weight;
            int32_t ray_type;
        } small;                        /**< layout 208 */
        struct {
            int32_t ray_type;
            int32_t outputs[101];       /**< copy of the material's 101-slot output record */
        } full;                         /**< layout 416 */
    } u;
} MaterialApiRecord;

/** Handed to rx_compute_avg_radiance. */
typedef struct IndirectRequest {
    int32_t size;                 /**< 44 */
    int32_t rays;                 /**< gather rays to use */
    float max_radius;             /**< copied from RenderOptions, in its order */
    float min_radius;
    uint8_t view;
    uint8_t filter;
    uint8_t pad0[2];              /**< 0 */
    int32_t points;
    float falloff_start;
    int32_t depth;
    float falloff_stop;
    int32_t reserved;             /**< 0 */
    float importance;             /**< importance of the request */
} IndirectRequest;

/** User records a shader installs in its state for the shaders of its child
 * rays; each starts with its magic. */
#define UVO_REFLECTION_MARKER_MAGIC 9201
#define UVO_GLOSSY_HINT_MAGIC 20498
#define UVO_REFRACTION_FALLOFF_MAGIC 14106

typedef struct ReflectionMarker {
    int32_t magic;           /**< 9201 */
    float weight;            /**< weight the reflection sampler was called with */
} ReflectionMarker;

typedef struct GlossyEnvironmentHint {
    int32_t magic;           /**< 20498 */
    float glossiness;        /**< glossiness of the reflection asking for the environment */
    float importance;        /**< importance of that shading call */
} GlossyEnvironmentHint;

typedef struct RefractionFalloffRecord {
    int32_t magic;           /**< 14106 */
    Color color;             /**< colour at the fall-off distance */
    float distance;          /**< fall-off distance, scene units */
    int32_t color_enable;    /**< non-zero: fade to color instead of limiting the ray */
    int32_t applied;         /**< 0 before each ray; the hit material sets 1 once applied */
} RefractionFalloffRecord;

/* Compile-time layout checks (C11 and C++11). */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L)
#ifdef __cplusplus
#define UVO_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define UVO_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
UVO_STATIC_ASSERT(sizeof(Color) == 16, "Color");
UVO_STATIC_ASSERT(sizeof(Vector3) == 12, "Vector3");
UVO_STATIC_ASSERT(sizeof(LightLoopInfo) == 28, "LightLoopInfo");
UVO_STATIC_ASSERT(offsetof(LightLoopInfo, physical_light) == 20, "LightLoopInfo");
UVO_STATIC_ASSERT(offsetof(LightLoopInfo, force_specular) == 24, "LightLoopInfo");
UVO_STATIC_ASSERT(offsetof(HostLightFlags, emit_diffuse) == UVO_HOST_LIGHT_FLAGS_EMIT_DIFFUSE, "HostLightFlags");
UVO_STATIC_ASSERT(offsetof(HostLightFlags, emit_specular) == UVO_HOST_LIGHT_FLAGS_EMIT_SPECULAR, "HostLightFlags");
UVO_STATIC_ASSERT(sizeof(MaterialApiRecord) == 416, "MaterialApiRecord");
UVO_STATIC_ASSERT(offsetof(MaterialApiRecord, u.small.opacity) == 8, "MaterialApiRecord");
UVO_STATIC_ASSERT(offsetof(MaterialApiRecord, u.small.indirect) == 12, "MaterialApiRecord");
UVO_STATIC_ASSERT(offsetof(MaterialApiRecord, u.small.translucency_weight) == 188, "MaterialApiRecord");
UVO_STATIC_ASSERT(offsetof(MaterialApiRecord, u.small.ray_type) == 204, "MaterialApiRecord");
UVO_STATIC_ASSERT(offsetof(MaterialApiRecord, u.full.ray_type) == 8, "MaterialApiRecord");
UVO_STATIC_ASSERT(offsetof(MaterialApiRecord, u.full.outputs) == 12, "MaterialApiRecord");
UVO_STATIC_ASSERT(sizeof(IndirectRequest) == 44, "IndirectRequest");
UVO_STATIC_ASSERT(offsetof(IndirectRequest, view) == 16, "IndirectRequest");
UVO_STATIC_ASSERT(offsetof(IndirectRequest, points) == 20, "IndirectRequest");
UVO_STATIC_ASSERT(offsetof(IndirectRequest, importance) == 40, "IndirectRequest");
UVO_STATIC_ASSERT(sizeof(ReflectionMarker) == 8, "ReflectionMarker");
UVO_STATIC_ASSERT(sizeof(GlossyEnvironmentHint) == 12, "GlossyEnvironmentHint");
UVO_STATIC_ASSERT(sizeof(RefractionFalloffRecord) == 32, "RefractionFalloffRecord");
UVO_STATIC_ASSERT(offsetof(RefractionFalloffRecord, distance) == 20, "RefractionFalloffRecord");
UVO_STATIC_ASSERT(offsetof(RefractionFalloffRecord, applied) == 28, "RefractionFalloffRecord");
UVO_STATIC_ASSERT(sizeof(HostImageDesc) == 256, "HostImageDesc");
UVO_STATIC_ASSERT(offsetof(RenderOptions, gather_max_radius) - offsetof(RenderOptions, gather_rays) == 4,
                  "gather block");
UVO_STATIC_ASSERT(offsetof(RenderOptions, gather_falloff_stop) - offsetof(RenderOptions, gather_rays) == 28,
                  "gather block");
#endif

/* ------------------------------------------------------------------------ */
/* Host functions                                                           */
/* ------------------------------------------------------------------------ */
/**
 * The library binds each of these by name with dlsym on the handle given to
 * rxSetModuleHandle.  The list is an X-macro so the library's binding table and
 * these prototypes come from one place:
 *     X(result type, name, (parameter list))
 * A host implements every function it wants the library to reach; a missing
 * one is reported on stderr when a shader first needs it and the call yields
 * zero.  Unless stated, "non-zero" results mean success / a hit.
 */
#define UVO_HOST_FUNCTIONS(X)                                                              \
    /* --- state and database --- */                                                      \
    /* Answer query 'code' about 'item' into 'answer' (see UVO_QUERY_*). */                  \
    X(Boolean, rx_query, (int32_t code, ShadingState *state, Tag item, void *answer))         \
    /* Address of the value stored under 'key' for this state's ray tree, or null; its     \
       size into *size when size is not null. */                                           \
    X(void *, rx_shaderstate_get, (ShadingState *state, const char *key, int32_t *size))      \
    /* Store a copy of 'size' bytes under 'key'; value null and size 0 remove the entry. */ \
    X(void *, rx_shaderstate_set,                                                          \
      (ShadingState *state, const char *key, const void *value, int32_t size, int32_t lifetime)) \
    /* Where a connected parameter's value is: the host evaluates the connection. */       \
    X(void *, rx_phen_eval, (ShadingState *state, const void *parameter))                   \
    /* Pin a database element and return its data, or null: a light gives its  \
       HostLight, a text its zero-terminated characters, an image its HostImage \
       (level 0, whose pyramid rx_img_pyramid_get_level walks). */ \
    X(void *, rx_db_access, (Tag tag))                                                      \
    X(void, rx_db_unpin, (Tag tag))                                                         \
    X(void, rx_db_delete, (Tag tag))                                                        \
    X(void, rx_scene_edit_end, (Tag tag))                                                   \
    /* --- memory and locks --- */                                                        \
    /* Allocate 'size' zeroed bytes for source module 'module' (e.g. "sky") at 'line'. */    \
    X(void *, rx_mem_int_allocate, (const char *module, int32_t line, size_t size))         \
    X(void, rx_mem_int_release, (const char *module, int32_t line, void *memory))           \
    X(void, rx_lock, (HostLock lock))                                                       \
    X(void, rx_unlock, (HostLock lock))                                                     \
    X(Boolean, rx_par_aborted, (void)) /* non-zero once the user stopped the render */       \
    /* --- tracing: colour out, non-zero on a hit (or light reached) --- */                \
    X(Boolean, rx_trace_eye, (Color *result, ShadingState *state, const Vector3 *origin,      \
                              const Vector3 *direction))                                    \
    X(Boolean, rx_trace_reflection, (Color *result, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_trace_refraction, (Color *result, ShadingState *state, const Vector3 *direction)) \
    /* Continue the state's ray through its hit as a transparency ray (type 1). */          \
    X(Boolean, rx_trace_transparent, (Color *result, ShadingState *state))                   \
    X(Boolean, rx_trace_environment, (Color *result, ShadingState *state, const Vector3 *direction)) \
    /* Find the nearest hit without shading; fills state->child (distance, point, normals, \
       bary, primitive, material). */                                                     \
    X(Boolean, rx_trace_probe, (ShadingState *state, const Vector3 *direction, const Vector3 *origin)) \
    /* Continue the state's ray (any type) past its hit with the same type. */              \
    X(Boolean, rx_trace_continue, (Color *result, ShadingState *state))                      \
    /* From a light shader: filter 'result' by the occluders towards the light. */         \
    X(Boolean, rx_trace_shadow, (Color *result, ShadingState *state))                        \
    /* From a shadow call in segment mode: the light arriving from beyond this hit. */      \
    X(Boolean, rx_trace_shadow_seg, (Color *result, ShadingState *state))                    \
    X(Boolean, rx_call_shader, (Color *result, int32_t kind, ShadingState *state, Tag shader)) \
    /* --- sampling --- */                                                                \
    /* Next quasi-random sample of 'dimension' numbers in [0,1).  'instance' (may be null)  \
       counts calls of a loop; with 'count' the loop yields *count samples (the host may    \
       lower *count) and then returns 0.  Without a count it always yields one. */          \
    X(Boolean, rx_sample, (double *sample, int32_t *instance, ShadingState *state,             \
                           int32_t dimension, int32_t *count))                               \
    /* Next light sample of 'light': colour (shadowed), unit direction to the light, cosine \
       with the normal; *samples counts samples taken.  0 when no more. */                 \
    X(Boolean, rx_sample_light, (Color *color, Vector3 *direction, float *cosine,              \
                                 ShadingState *state, Tag light, int32_t *samples))          \
    X(Boolean, rx_inclusive_lightlist, (int32_t *count, Tag **lights, ShadingState *state))   \
    X(Boolean, rx_exclusive_lightlist, (int32_t *count, Tag **lights, ShadingState *state))   \
    X(Boolean, rx_instance_lightlist, (int32_t *count, Tag **lights, ShadingState *state))    \
    /* Average incoming radiance over the hemisphere of 'face' (UVO_FACE_*). */            \
    X(Boolean, rx_compute_avg_radiance, (Color *result, ShadingState *state, int32_t face,     \
                                         const IndirectRequest *request))                    \
    /* --- directions; transmission ones return 0 on total internal reflection --- */      \
    X(void, rx_reflection_dir, (Vector3 *direction, const ShadingState *state))               \
    X(void, rx_reflection_dir_diffuse, (Vector3 *direction, ShadingState *state))             \
    X(void, rx_reflection_dir_diffuse_x, (Vector3 *direction, ShadingState *state,             \
                                          const double *sample))                              \
    X(void, rx_reflection_dir_glossy_x, (Vector3 *direction, ShadingState *state, float exponent, \
                                         const double *sample))                               \
    X(void, rx_reflection_dir_anisglossy_x, (Vector3 *direction, ShadingState *state,           \
                                             const Vector3 *u, const Vector3 *v, float exponent_u, \
                                             float exponent_v, const double *sample))         \
    X(Boolean, rx_transmission_dir_specular, (Vector3 *direction, ShadingState *state,          \
                                              float ior_in, float ior_out))                  \
    X(Boolean, rx_transmission_dir_glossy_x, (Vector3 *direction, ShadingState *state,          \
                                              float ior_in, float ior_out, float exponent,    \
                                              const double *sample))                          \
    X(Boolean, rx_transmission_dir_anisglossy_x, (Vector3 *direction, ShadingState *state,      \
                                                  float ior_in, float ior_out, const Vector3 *u, \
                                                  const Vector3 *v, float exponent_u,         \
                                                  float exponent_v, const double *sample))    \
    X(Boolean, rx_transmission_dir_diffuse, (Vector3 *direction, ShadingState *state))         \
    X(Boolean, rx_transmission_dir_diffuse_x, (Vector3 *direction, ShadingState *state,         \
                                               const double *sample))                         \
    /* Fresnel reflectance of a dielectric interface, ior_in on the ray's side. */          \
    X(float, rx_fresnel_reflection, (ShadingState *state, float ior_in, float ior_out))       \
    /* Ward anisotropic glossy BRDF value for view 'in', light 'out'. */                    \
    X(float, rx_ward_anisglossy, (const Vector3 *in, const Vector3 *out, const Vector3 *normal,  \
                                  const Vector3 *u, const Vector3 *v, float shiny_u, float shiny_v)) \
    /* Exchange the host's ray fall-off range with *start, *stop (scene units). */          \
    X(Boolean, rx_ray_falloff, (ShadingState *state, double *start, double *stop))            \
    /* Vectors of the hit triangle: which 'p' positions, 'n' normals (object space), 't'     \
       texture vertices of texture space 'index'; three pointers out. */                   \
    X(Boolean, rx_tri_vectors, (ShadingState *state, int32_t which, int32_t index, Vector3 **a, \
                                Vector3 **b, Vector3 **c))                                  \
    X(float, rx_luminance, (ShadingState *state, const Color *color))                          \
    /* --- photons --- */                                                                 \
    X(Boolean, rx_photon_light, (Color *energy, ShadingState *state))                         \
    X(Boolean, rx_photon_reflection_specular, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_photon_reflection_glossy, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_photon_reflection_diffuse, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_photon_transmission_specular, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_photon_transmission_glossy, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_photon_transmission_diffuse, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_photon_transparent, (Color *energy, ShadingState *state))                   \
    X(Boolean, rx_photon_volume_scattering, (Color *energy, ShadingState *state, const Vector3 *direction)) \
    X(Boolean, rx_store_photon, (Color *energy, ShadingState *state))                          \
    /* --- transforms: out, in; internal <-> camera, world, object, light space --- */     \
    X(void, rx_point_to_camera, (ShadingState *state, Vector3 *out, const Vector3 *in))         \
    X(void, rx_point_from_camera, (ShadingState *state, Vector3 *out, const Vector3 *in))       \
    X(void, rx_point_from_light, (ShadingState *state, Vector3 *out, const Vector3 *in))        \
    X(void, rx_vector_to_camera, (ShadingState *state, Vector3 *out, const Vector3 *in))        \
    X(void, rx_vector_from_camera, (ShadingState *state, Vector3 *out, const Vector3 *in))      \
    X(void, rx_vector_to_world, (ShadingState *state, Vector3 *out, const Vector3 *in))         \
    X(void, rx_vector_from_world, (ShadingState *state, Vector3 *out, const Vector3 *in))       \
    X(void, rx_vector_to_object, (ShadingState *state, Vector3 *out, const Vector3 *in))        \
    X(void, rx_vector_from_object, (ShadingState *state, Vector3 *out, const Vector3 *in))      \
    X(void, rx_vector_to_light, (ShadingState *state, Vector3 *out, const Vector3 *in))         \
    X(void, rx_vector_from_light, (ShadingState *state, Vector3 *out, const Vector3 *in))       \
    X(void, rx_normal_to_camera, (ShadingState *state, Vector3 *out, const Vector3 *in))        \
    X(void, rx_normal_from_object, (ShadingState *state, Vector3 *out, const Vector3 *in))      \
    X(void, rx_point_transform, (Vector3 *out, const Vector3 *in, const float *matrix))         \
    X(void, rx_vector_transform, (Vector3 *out, const Vector3 *in, const float *matrix))        \
    X(void, rx_matrix_ident, (float *matrix))                                                \
    X(Boolean, rx_matrix_invert, (float *out, const float *in))                               \
    /* --- images and frame buffers --- */                                               \
    /* Open output image 'index' (0 main colour; user frame buffers from 12) of the frame. */ \
    X(HostImage *, rx_output_image_open, (ShadingState *state, int32_t index))                 \
    X(void, rx_output_image_close, (ShadingState *state, int32_t index))                       \
    X(void, rx_img_get_color, (const HostImage *image, Color *color, int32_t x, int32_t y))    \
    X(void, rx_img_put_color, (HostImage *image, const Color *color, int32_t x, int32_t y))    \
    /* Create an image element from a 256-byte description; its Tag into *tag. */          \
    X(HostImage *, rx_img_image_dbcreate, (const HostImageDesc *desc, Tag *tag))               \
    /* Pyramid level 'level' of an image (0 = full size), width and height out, or null. */ \
    X(HostImage *, rx_img_pyramid_get_level, (HostImage *image, int32_t level, int32_t *width, \
                                              int32_t *height))                              \
    /* Store one pixel value in user frame buffer 'buffer' at the state's raster position. */ \
    X(Boolean, rx_fb_put, (ShadingState *state, int32_t buffer, const void *value))            \
    /* Colour of texture 'texture' at 'coordinate' (u, v, w in [0, 1)); 0 when it has none. */ \
    X(Boolean, rx_lookup_color_texture, (Color *color, ShadingState *state, Tag texture,       \
                                         const Vector3 *coordinate))                          \
    X(HostShaderInterface *, rx_get_shader_interface, (int32_t version))

/**
 * Message functions: printf-style.  The library always formats its messages
 * itself and passes the finished text as the format with no arguments; the
 * 'n' variants pass a message number first.
 */
#define UVO_HOST_MESSAGES(X)                                   \
    X(rx_fatal, (const char *format, ...))                     \
    X(rx_nfatal, (int32_t number, const char *format, ...))    \
    X(rx_error, (const char *format, ...))                     \
    X(rx_nerror, (int32_t number, const char *format, ...))    \
    X(rx_warning, (const char *format, ...))                   \
    X(rx_nwarning, (int32_t number, const char *format, ...))  \
    X(rx_info, (const char *format, ...))                      \
    X(rx_progress, (const char *format, ...))                  \
    X(rx_debug, (const char *format, ...))                     \
    X(rx_vdebug, (const char *format, ...))

#ifndef UVO_NO_HOST_PROTOTYPES
#define UVO_HOST_PROTOTYPE(ret, name, params) ret name params;
#define UVO_HOST_MESSAGE_PROTOTYPE(name, params) void name params;
UVO_HOST_FUNCTIONS(UVO_HOST_PROTOTYPE)
UVO_HOST_MESSAGES(UVO_HOST_MESSAGE_PROTOTYPE)
#undef UVO_HOST_PROTOTYPE
#undef UVO_HOST_MESSAGE_PROTOTYPE
#endif

/* ------------------------------------------------------------------------ */
/* Library entry points a host calls                                        */
/* ------------------------------------------------------------------------ */

/** Hand the library the module that exports the host functions. */
typedef void (*UvoSetModuleHandleFn)(void *handle);
typedef int32_t (*UvoVersionFn)(void);
typedef Boolean (*UvoInitFn)(ShadingState *state, void *params, Boolean *request_instance_init);
typedef Boolean (*UvoExitFn)(ShadingState *state, void *params);
typedef Boolean (*UvoShaderFn)(Color *result, ShadingState *state, void *params);

#ifdef __cplusplus
}
#endif

#endif /* UVO_HOST_INTERFACE_H */
