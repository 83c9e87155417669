/**
 * @file uvo/kit.h
 * @brief The integrator kit: what every host of the shader library would
 * otherwise write again.
 *
 * Pure functions, no state, no allocation, safe from any thread: the layout
 * of parameter blocks from shader declarations, and the mathematical part of
 * the host functions of host_interface.h (mirror and refraction directions,
 * dielectric Fresnel reflectance, Ward's anisotropic lobe, direction
 * sampling, luminance, 4x4 transforms and their inverse).  A host implements
 * its rx_ functions by handing these its state's vectors, as the reference
 * host does.  Link with -luvo_kit (pkg-config uvo-kit, CMake uvo::kit).
 *
 * Conventions are those of the host contract: Vector3 and Color are 32-bit
 * floats; a Matrix is row-major 4x4 for row vectors (p' = p * M, row 3 is
 * the translation); directions are unit vectors unless a function says
 * otherwise; a normal faces the side the ray comes from.  Sample numbers are
 * in [0, 1).  Pure C (C99 and C++).
 */
#ifndef UVO_KIT_H
#define UVO_KIT_H

#include <stddef.h>
#include <stdint.h>

#include "uvo/host_interface.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Version of this header and library: major * 10000 + minor * 100 + patch. */
#define UVO_KIT_VERSION 100

/** The kit's version as built (compare with UVO_KIT_VERSION). */
int32_t uvo_kit_version(void);

/* ------------------------------------------------------------------------ */
/** @name Parameter-block layout
 * A declaration (share/uvo/shaders/NAME.json) lists a shader's parameters in
 * block order.  Every value takes whole 32-bit slots: boolean, integer,
 * scalar and the Tag kinds one, a colour four, a vector three; an array takes
 * an int32 start index, an int32 count and one element in place, and its
 * elements live past the block so that element k sits at elements[index + k]
 * counted from the in-place one.  When a parameter is connected the block is
 * followed by a table of 32-bit connection flags, one per slot, starting at
 * ShaderRecord.connection_offset bytes.
 * @{ */

/** Parameter types, as named in declarations ("boolean", ...). */
typedef enum UvoKitParamType {
    UVO_KIT_BOOLEAN = 0,
    UVO_KIT_INTEGER = 1,
    UVO_KIT_SCALAR = 2,
    UVO_KIT_COLOR = 3,
    UVO_KIT_VECTOR = 4,
    UVO_KIT_SHADER = 5,   /**< Tag of a shader instance */
    UVO_KIT_LIGHT = 6,    /**< Tag of a light instance */
    UVO_KIT_TEXTURE = 7,  /**< Tag of a texture */
    UVO_KIT_STRING = 8,   /**< Tag of a zero-terminated text */
    UVO_KIT_ARRAY = 9     /**< header of an array of one of the kinds above */
} UvoKitParamType;

/** The type named `name` in a declaration, or -1 for an unknown name. */
int32_t uvo_kit_param_type_from_name(const char *name);
/** The declaration name of `type` ("scalar", ...), or "?" for none. */
const char *uvo_kit_param_type_name(int32_t type);
/** 32-bit slots that one value of `type` takes (an array's header: 3 for a
 * one-slot element); 0 for an unknown type. */
int32_t uvo_kit_param_slots(int32_t type);

/** One parameter of a declaration.  The caller fills type (and element for
 * an array); uvo_kit_layout fills offset. */
typedef struct UvoKitParam {
    int32_t type;     /**< UvoKitParamType */
    int32_t element;  /**< arrays: UvoKitParamType of the elements (not an array) */
    uint32_t offset;  /**< out: bytes from the block's start */
} UvoKitParam;

/** Lays `count` parameters out in order: fills each offset and returns the
 * block's size in bytes (without appended array elements).  Returns 0 and
 * leaves the offsets from the bad one on unset when a type is unknown or an
 * array's element is an array or unknown (then *bad, when given, is its
 * index); a block of no parameters also has size 0. */
uint32_t uvo_kit_layout(UvoKitParam *params, size_t count, size_t *bad);

/** Where the elements of an array go.  `words` is the size of the block so
 * far in 32-bit words (the declared block plus what earlier arrays
 * appended), `header_offset` the array parameter's offset in bytes and
 * `element` its element type.  Returns the word at which to append the
 * elements (words, padded so the elements sit a whole number of elements
 * past the in-place one) and stores in *index the value for the header's
 * index slot. */
size_t uvo_kit_array_elements_at(size_t words, uint32_t header_offset, int32_t element, uint32_t *index);

/** Room for a parameter's name, its terminating zero included. */
#define UVO_KIT_NAME_MAX 64

/** One parameter as read from a declaration file. */
typedef struct UvoKitDeclParam {
    char name[UVO_KIT_NAME_MAX]; /**< the parameter's name, zero-terminated */
    UvoKitParam param;           /**< its type, element type and offset */
} UvoKitDeclParam;

/** Reads the parameters of a declaration from its JSON text (a
 * share/uvo/shaders/NAME.json file, zero-terminated) and lays them out.
 * Fills up to `capacity` entries of `params` in block order and stores the
 * block's size in bytes in *block_size (when given).  Returns the number of
 * parameters, which may exceed `capacity` (then call again with room for
 * them all), or -1 when the text is not JSON, a parameter lacks a name or a
 * known type, a name does not fit UVO_KIT_NAME_MAX, or an array's element
 * type is bad.  Defaults are left to the host: the value in the file, encoded
 * as the type's slots (a colour of three numbers takes alpha 1), or zero. */
int32_t uvo_kit_read_declaration(const char *json, UvoKitDeclParam *params, size_t capacity, uint32_t *block_size);

/** @} */

/* ------------------------------------------------------------------------ */
/** @name Vectors
 * @{ */

/** a . b */
float uvo_kit_dot(Vector3 a, Vector3 b);
/** a x b (right-handed). */
Vector3 uvo_kit_cross(Vector3 a, Vector3 b);
/** a scaled to unit length; a zero vector is returned unchanged. */
Vector3 uvo_kit_normalize(Vector3 a);
/** Two unit vectors u, v that complete the unit vector n to a right-handed
 * frame (u x v = n). */
void uvo_kit_orthonormal_basis(Vector3 n, Vector3 *u, Vector3 *v);

/** @} */

/* ------------------------------------------------------------------------ */
/** @name Directions, Fresnel and Ward
 * @{ */

/** d mirrored about n: d - 2 (d . n) n.  Not normalised (d and n unit give a
 * unit result). */
Vector3 uvo_kit_mirror(Vector3 d, Vector3 n);

/** Refraction of the unit direction d through the unit normal n (facing d's
 * origin) with eta = ior_in / ior_out (ior_in on d's side): the unit
 * transmitted direction into *out and non-zero, or 0 on total internal
 * reflection (*out then untouched). */
Boolean uvo_kit_refract(Vector3 d, Vector3 n, float eta, Vector3 *out);

/** Unpolarised Fresnel reflectance of a dielectric interface for the cosine
 * of the angle of incidence (clamped to [0, 1]), ior_in on the incident side;
 * 1 on total internal reflection. */
float uvo_kit_fresnel_dielectric(float cos_in, float ior_in, float ior_out);

/** Ward's anisotropic glossy BRDF, per steradian, for the view direction
 * `in` (travelling towards the surface) and the light direction `out` (away
 * from it), normal n and tangents u, v (need not be unit; they are
 * normalised).  Roughness along u and v is 1 / shiny_u and 1 / shiny_v
 * (shininess below 0.001 counts as 0.001).  0 when either direction is below
 * the surface. */
float uvo_kit_ward_brdf(Vector3 in, Vector3 out, Vector3 n, Vector3 u, Vector3 v, float shiny_u, float shiny_v);

/** A half vector about the unit normal n, tangents u, v (unit), drawn from
 * Ward's lobe of roughness 1 / shiny_u, 1 / shiny_v with the sample (u1, u2).
 * Mirroring a view direction about it samples uvo_kit_ward_brdf's highlight. */
Vector3 uvo_kit_ward_half_vector(Vector3 n, Vector3 u, Vector3 v, float shiny_u, float shiny_v, double u1,
                                 double u2);

/** A cosine-distributed unit direction about the unit normal n from the
 * sample (u1, u2).  One that falls below the geometric normal ng (possible
 * when n is interpolated) is mirrored back above it; a zero ng skips that. */
Vector3 uvo_kit_cosine_direction(Vector3 n, Vector3 ng, double u1, double u2);

/** A unit direction about the unit `axis` with density proportional to
 * cos^exponent (a negative exponent counts as 0: uniform over the
 * hemisphere). */
Vector3 uvo_kit_phong_lobe_direction(Vector3 axis, float exponent, double u1, double u2);

/** Luminance of the colour's r, g, b under `weights` (RenderOptions
 * .luminance_weights); null weights, or weights whose r, g and b are all 0,
 * stand for the Rec. 709 ones (0.212671, 0.715160, 0.072169). */
float uvo_kit_luminance(const Color *color, const Color *weights);

/** @} */

/* ------------------------------------------------------------------------ */
/** @name Matrices and transforms
 * Row-major 4x4 float[16] for row vectors, as the contract's Matrix.
 * @{ */

/** The identity into m. */
void uvo_kit_matrix_identity(float *m);
/** out = a * b (a applied first).  out may be a or b. */
void uvo_kit_matrix_multiply(float *out, const float *a, const float *b);
/** The inverse of `in` into `out` (computed in double precision; out may be
 * in) and non-zero; 0 for a singular matrix, out then untouched. */
Boolean uvo_kit_matrix_invert(float *out, const float *in);
/** Rotation by `degrees` about `axis` (normalised here; right-handed). */
void uvo_kit_matrix_rotation(float *out, Vector3 axis, float degrees);

/** p * m with the homogeneous divide (skipped when w is 0 or 1). */
Vector3 uvo_kit_transform_point(const float *m, Vector3 p);
/** v * m without the translation. */
Vector3 uvo_kit_transform_vector(const float *m, Vector3 v);
/** A normal through the inverse transpose, given the matrix's inverse: the
 * inverse's first three columns as rows (not normalised). */
Vector3 uvo_kit_transform_normal_by_inverse(const float *inverse, Vector3 n);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* UVO_KIT_H */
